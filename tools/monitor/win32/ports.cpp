#include "ports.h"

#include <windows.h>

#include "win32/wide_text.h"

namespace rdstmc::monitor {
namespace {

using tools::Utf8;
using tools::Wide;

// Port numbers Windows hands out.
constexpr unsigned kHighestPort = 256;

// COM10 and above are reachable only through the device namespace.
std::wstring DevicePath(const std::string& port) {
    const std::wstring name = Wide(port);
    return name.rfind(L"\\\\", 0) == 0 ? name : L"\\\\.\\" + name;
}

// Opens the port as the library would; the system's error code, 0 on success.
DWORD TryOpen(const std::string& port) {
    HANDLE h = CreateFileW(DevicePath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(h);
    return 0;
}

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    return Utf8(message);
}

std::string InWords(DWORD error) {
    if (error == 0) return "can be opened";
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) return "in use by another program";
    return SystemMessage(error);
}

}  // namespace

int ListPorts(std::FILE* out) {
    // Asked name by name, and by opening where the name is not defined:
    // the system's list of device names leaves out ports that are made on
    // demand (Wine's, for one).
    int listed = 0;
    for (unsigned n = 1; n <= kHighestPort; ++n) {
        const std::wstring name = L"COM" + std::to_wstring(n);
        const std::string port = Utf8(name);
        wchar_t target[1024];
        const bool defined = QueryDosDeviceW(name.c_str(), target, sizeof target / sizeof target[0]) != 0;
        const DWORD error = TryOpen(port);
        if (!defined && Missing(error)) continue;
        if (listed++ == 0) std::fprintf(out, "Serial ports:\n");
        std::fprintf(out, "  %-8s %s%s\n", port.c_str(), InWords(error).c_str(),
                     defined ? ("  (" + Utf8(target) + ")").c_str() : "");
    }
    if (listed == 0) {
        std::fprintf(out, "No serial port found. Plug the receiver in: a USB adapter gets a COM number, shown in "
                          "Device Manager under Ports (COM & LPT).\n");
    }
    return listed;
}

std::string ExplainPortFailure(const std::string& device, unsigned baud, TmcError why) {
    switch (why) {
        case TmcErrorNotFound:
            return device + ": no such port. Is the receiver plugged in? rdstmc-monitor --list-ports shows the ports "
                            "there are; a USB adapter's number is in Device Manager under Ports (COM & LPT).";
        case TmcErrorInUse: return device + ": in use by another program; close it and try again.";
        case TmcErrorNotADevice: return device + ": not a serial port.";
        case TmcErrorBadRate:
            return device + ": cannot be used at " + std::to_string(baud) + " baud: the adapter does not support it.";
        default: return device + ": " + TmcErrorText(why) + ".";
    }
}

}  // namespace rdstmc::monitor
