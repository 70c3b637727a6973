#pragma once

#include <cstddef>
#include <cstdio>

// How the new file takes the old one's name: std::rename, or a stand-in that fails in the tests.
using RenameFunction = int (*)(const char* from, const char* to);

// Replaces the whole content of a small file so that a reader, another process saving at the
// same moment, or a crash half way never sees it cut or empty.
//
// A symbolic link at `path` is followed and its target is written, so the link stays a link.
// The new content goes to a temporary file beside the target, flushed to the disk and given the
// old file's mode, owner and extended attributes (its ACL among them). It has no name while it
// is written (O_TMPFILE; where the filesystem or /proc lacks what that needs, a unique name from
// the start), is named `<file>.saving-XXXXXX` just before it is renamed over the target, and the
// folder is flushed. Every save holds an flock on its temporary for as long as it lives, and each
// save first removes the temporaries of that pattern that no running save holds: those of saves
// killed half way.
// The file is written in place instead (no cut: overwritten, then shortened) when it has other
// hard links, when its owner or one of its attributes cannot be given to a new file, when the
// folder takes no new file, or when the rename cannot replace it (EBUSY, EXDEV, EPERM, EACCES: a
// file mounted in place, for one).
// An existing file that is not writable, or is not a plain file, is left alone.
// Returns false when nothing was written; the old file is then as it was.
bool replaceFile(const char* path, const unsigned char* bytes, size_t count,
                 RenameFunction renameFile = std::rename);
