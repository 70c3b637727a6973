#pragma once

#include <cstddef>

// Replaces the whole content of a small file so that a reader, another process saving at the
// same moment, or a crash half way never sees it cut or empty.
//
// A symbolic link at `path` is followed and its target is written, so the link stays a link.
// The new content goes to a temporary file of a unique name beside the target, flushed to the
// disk, given the old file's mode and owner, renamed over the target, and the folder is flushed.
// The file is written in place instead (no cut: overwritten, then shortened) when it has other
// hard links, when its owner cannot be kept, or when the folder takes no new file.
// An existing file that is not writable, or is not a plain file, is left alone.
// Returns false when nothing was written; the old file is then as it was.
bool replaceFile(const char* path, const unsigned char* bytes, size_t count);
