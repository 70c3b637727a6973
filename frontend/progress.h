#pragma once

// The progress file: for missions 0 to 4, best students then best credits, ten signed 32-bit
// little-endian integers, 40 bytes, nothing else.

// Writes the whole file from the bests in memory. The old file is replaced only by a complete
// new one; on any failure it stays as it was, and nothing is reported.
void saveProgress(const char* path);

// Reads the bests back. Each value whose four bytes the file holds is taken; the others keep what
// they hold. A missing or unreadable file changes nothing.
void loadProgress(const char* path);
