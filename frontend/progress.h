#pragma once

// The progress file: for missions 0 to 4, best students then best credits, ten signed 32-bit
// little-endian integers, 40 bytes, nothing else.

// Writes the whole file from the bests in memory (see file_replace.h for how it is replaced).
// On any failure the old file stays as it was, and nothing is reported. After a NEW GAME the
// file is rewritten whatever it held, readable or not. After a CONTINUE GAME whose loadProgress
// found the file but could not read it, it is not written over while any file stands at the
// path: the game plays on with the bests in memory, the player's file waits untouched, and the
// first save held off prints "PROGRESS NOT SAVED: <path> COULD NOT BE READ". Once nothing stands
// there the saves go ahead as usual. Anything but a plain file at the path
// (a pipe, a device, a folder) is never written, and none of them holds the game up.
void saveProgress(const char* path);

// Reads the bests back. Each value whose four bytes the file holds is taken; the others keep what
// they hold. A missing or unreadable file, or anything but a plain file, changes nothing.
void loadProgress(const char* path);
