#include "platform/file.h"

#include <windows.h>

#include <cwchar>

#include "platform/win32/open_failure_error.h"
#include "platform/win32/wide_path.h"

namespace rdstmc::platform {
namespace {

HANDLE Handle(File f) { return reinterpret_cast<HANDLE>(f.handle); }

// A file that another program opens for a moment (a virus scanner, the
// search indexer, a backup) refuses us while it looks; retried briefly, such
// a look never costs a logged record. A real holder is given up on once this
// much time has passed, measured, since a Sleep(1) can last a whole timer
// tick (about 16 ms) on Windows.
constexpr LONGLONG kBusyRetryMicroseconds = 10000;
constexpr DWORD kBusyRetryPauseMs = 1;

LONGLONG MicrosecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
}

// Opened with no sharing: while the library holds the file, no other opener
// (in this or any process) can, as with the lock on POSIX.
File Open(const char* path, DWORD access, DWORD disposition, OpenFailure* why = nullptr) {
    File f;
    OpenFailure ignored;
    OpenFailure& failure = why ? *why : ignored;
    failure = OpenFailure::kNotFound;
    wchar_t wide[kWideNameCapacity];
    if (!WidenName(path, wide, kWideNameCapacity)) return f;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    for (;;) {
        const HANDLE h = CreateFileW(wide, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            f.handle = reinterpret_cast<intptr_t>(h);
            failure = OpenFailure::kNone;
            return f;
        }
        const DWORD error = GetLastError();
        failure = OpenFailureFromError(error, false);
        if (error != ERROR_SHARING_VIOLATION || MicrosecondsSince(start) >= kBusyRetryMicroseconds) return f;
        Sleep(kBusyRetryPauseMs);
    }
}

}  // namespace

// Appending data: every write goes to the end, as O_APPEND does.
File FileOpenAppend(const char* path) { return Open(path, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS); }

File FileOpenExisting(const char* path, OpenFailure* why) {
    return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, why);
}

File FileOpenRead(const char* path) {
    File f;
    wchar_t wide[kWideNameCapacity];
    if (!WidenName(path, wide, kWideNameCapacity)) return f;
    const HANDLE h = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
    if (h != INVALID_HANDLE_VALUE) f.handle = reinterpret_cast<intptr_t>(h);
    return f;
}

bool FileReplace(const char* path, const void* data, size_t length) {
    wchar_t wide[kWideNameCapacity], beside[kWideNameCapacity + 32];
    if (!WidenName(path, wide, kWideNameCapacity)) return false;
    swprintf(beside, sizeof beside / sizeof beside[0], L"%ls.new-%lu", wide, GetCurrentProcessId());
    const HANDLE h = CreateFileW(beside, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    File f;
    f.handle = reinterpret_cast<intptr_t>(h);
    // On disk before the move, so a crash leaves the old file or the new.
    const bool written = FileWrite(f, data, length) && FlushFileBuffers(h);
    FileClose(f);
    if (!written || !MoveFileExW(beside, wide, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(beside);
        return false;
    }
    return true;
}

long FileRead(File file, void* buffer, size_t capacity) {
    if (!file.IsOpen()) return -1;
    DWORD n = 0;
    const DWORD ask = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(capacity);
    if (!ReadFile(Handle(file), buffer, ask, &n, nullptr)) return -1;
    return static_cast<long>(n);
}

bool FileWrite(File file, const void* data, size_t length) {
    if (!file.IsOpen()) return false;
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        DWORD n = 0;
        const DWORD ask = length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(length);
        if (!WriteFile(Handle(file), p, ask, &n, nullptr) || n == 0) return false;
        p += n;
        length -= n;
    }
    return true;
}

void FileClose(File& file) {
    if (!file.IsOpen()) return;
    CloseHandle(Handle(file));
    file.handle = -1;
}

}  // namespace rdstmc::platform
