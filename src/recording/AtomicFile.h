#pragma once

#include <string>

// Replaces `path` with `content` so that a reader, or the program after a crash at any moment,
// finds either the old content or the new one whole: a temporary file beside it, written and
// flushed to disk, then renamed over it. EInOutError with the system's reason on failure.
// Batch work that is simply run again after a crash may leave the flush to the system
// (`flushToDisk` false): readers still see either file whole.
void WriteFileAtomically(const std::string& path, const std::string& content, bool flushToDisk = true);

// The whole content of `path`; empty when it does not exist or cannot be read.
std::string ReadSmallFile(const std::string& path);
