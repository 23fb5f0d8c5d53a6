#include "system.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "win32/wide_text.h"

namespace rdstmc::tools {
namespace {

// Set by the console's handler thread, taken by WaitForStopRequest.
std::atomic<HANDLE> g_stopRequested{nullptr};

BOOL WINAPI OnConsoleControl(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        SetEvent(g_stopRequested.load());
        // Handled: the main thread ends the run in order. A closing console
        // ends the process once this returns, so give it that time.
        if (type == CTRL_CLOSE_EVENT) Sleep(2000);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    // argv is in the ANSI code page, which cannot hold every file name.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        if (wide != nullptr) LocalFree(wide);
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return args;
}

// The console belongs to whoever started the tool: its code page is put back
// on the way out, so later programs in the same window print as before.
namespace {
UINT g_consoleCodePage = 0;

void RestoreConsoleCodePage() {
    if (g_consoleCodePage != 0) SetConsoleOutputCP(g_consoleCodePage);
}
}  // namespace

void CatchStopRequests() {
    if (g_stopRequested.load() == nullptr) g_stopRequested.store(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    if (g_consoleCodePage == 0) {
        g_consoleCodePage = GetConsoleOutputCP();
        if (g_consoleCodePage != 0) std::atexit(RestoreConsoleCodePage);
    }
    SetConsoleOutputCP(CP_UTF8);
}

bool WaitForStopRequest(std::chrono::milliseconds timeout) {
    const DWORD ms = timeout.count() < 0 ? 0 : static_cast<DWORD>(timeout.count());
    const HANDLE stop = g_stopRequested.load();
    if (stop == nullptr) {
        Sleep(ms);
        return false;
    }
    return WaitForSingleObject(stop, ms) == WAIT_OBJECT_0;
}

// Windows has no user signal to ask for a report: only stop requests come.
Request WaitForRequest(std::chrono::milliseconds timeout) {
    return WaitForStopRequest(timeout) ? Request::kStop : Request::kNone;
}

void UseBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

std::string WriteTemporaryFile(const std::string& content) {
    wchar_t dir[MAX_PATH + 1], name[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, dir);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(dir, L"rds", 0, name) == 0) return "";
    // GetTempFileNameW made the file; open it again without sharing.
    HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    bool written = file != INVALID_HANDLE_VALUE;
    size_t done = 0;
    while (written && done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        DWORD n = 0;
        written = WriteFile(file, content.data() + done, chunk, &n, nullptr) && n > 0;
        done += n;
    }
    if (file != INVALID_HANDLE_VALUE) written = CloseHandle(file) && written;
    if (!written) {
        DeleteFileW(name);
        return "";
    }
    return Utf8(name);
}

bool ReplaceFileContent(const std::string& path, const std::string& content) {
    const std::wstring target = Wide(path);
    const std::wstring beside = target + L".new-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE h = CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool written = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr) && n == content.size();
    CloseHandle(h);
    if (!written || !MoveFileExW(beside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(beside.c_str());
        return false;
    }
    return true;
}

bool StandardOutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

bool CanWrite(const std::string& path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

std::string ProgramDirectory() {
    wchar_t path[32768];
    const DWORD n = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (n == 0 || n >= sizeof path / sizeof path[0]) return "";
    const std::string program = Utf8(std::wstring(path, n));
    const size_t slash = program.find_last_of("\\/");
    return slash == std::string::npos ? "" : program.substr(0, slash);
}

}  // namespace rdstmc::tools
