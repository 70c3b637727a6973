#pragma once

// The progress file: for missions 0 to 4, best students then best credits, ten signed 32-bit
// little-endian integers, 40 bytes, nothing else.

// Writes the whole file from the bests in memory (see file_replace.h for how it is replaced).
// On any failure the old file stays as it was, and nothing is reported. A file that exists but
// cannot be read, now or when loadProgress met it this run, is never written over: the game
// plays on with the bests in memory and the player's file waits untouched. Nor is anything but
// a plain file (a pipe, a device, a folder) at the path, and none of them holds the game up.
void saveProgress(const char* path);

// Reads the bests back. Each value whose four bytes the file holds is taken; the others keep what
// they hold. A missing or unreadable file, or anything but a plain file, changes nothing.
void loadProgress(const char* path);
