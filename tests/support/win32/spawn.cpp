#include "support/spawn.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace rdstmc::test {
namespace {

std::wstring Wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

// The children started and not yet waited for, by process id.
std::mutex g_mutex;
std::map<int, HANDLE> g_children;

}  // namespace

std::vector<std::string> LaunchArgv(const std::vector<std::string>& argv) { return argv; }

int Spawn(const std::vector<std::string>& argv) {
    std::wstring line;
    for (const std::string& a : argv) line += (line.empty() ? L"" : L" ") + Quoted(Wide(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // No application name: the program is looked for beside this one first.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    std::lock_guard<std::mutex> guard(g_mutex);
    g_children[static_cast<int>(process.dwProcessId)] = process.hProcess;
    return static_cast<int>(process.dwProcessId);
}

int ExitCode(int pid) {
    HANDLE process;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        const auto found = g_children.find(pid);
        if (found == g_children.end()) return -1;
        process = found->second;
        g_children.erase(found);
    }
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return ended ? static_cast<int>(code) : -1;
}

}  // namespace rdstmc::test
