// Plain files: the sentence log and the replay source.
#pragma once
#include <cstddef>
#include <cstdint>

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
// Opens an existing file for reading and writing, held exclusively.
File FileOpenExisting(const char* path);
// Reads up to `capacity` bytes: the count, 0 at end of file, -1 on error.
long FileRead(File file, void* buffer, size_t capacity);
// Writes all `length` bytes at the end of the file; true when all were written.
bool FileWrite(File file, const void* data, size_t length);
// Closes the file; a closed or never-opened File is ignored.
void FileClose(File& file);

}  // namespace rdstmc::platform
