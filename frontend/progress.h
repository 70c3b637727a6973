#pragma once

// The progress file: for missions 0 to 4, best students then best credits, ten little-endian
// 32-bit integers, 40 bytes.
void saveProgress(const char* path);
void loadProgress(const char* path);
