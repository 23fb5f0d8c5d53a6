// Plain files: the sentence log and the replay source.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/open_failure.h"

namespace rdstmc::platform {

// A file held open by this process; a value with no allocation behind it, so
// opening one per logged record allocates nothing.
struct File {
    intptr_t handle = -1;
    bool IsOpen() const { return handle >= 0; }
};

// Opens `path` for appending, creating it if missing and keeping its contents
// if not; no other process holding the same file exclusively may have it.
File FileOpenAppend(const char* path);
// Opens an existing file for reading and writing, held exclusively; `why`,
// when given, says why it could not be.
File FileOpenExisting(const char* path, OpenFailure* why = nullptr);
// Opens an existing file for reading only, shared with other readers.
File FileOpenRead(const char* path);
// Makes `path` hold exactly `length` bytes of `data`: they are written to a
// new file beside it, which then replaces it in one step, so a reader finds
// the old content or the new, never a part. False on any failure, with
// `path` as it was.
bool FileReplace(const char* path, const void* data, size_t length);
// Reads up to `capacity` bytes: the count, 0 at end of file, -1 on error.
long FileRead(File file, void* buffer, size_t capacity);
// Writes all `length` bytes at the end of the file; true when all were written.
bool FileWrite(File file, const void* data, size_t length);
// Closes the file; a closed or never-opened File is ignored.
void FileClose(File& file);

}  // namespace rdstmc::platform
