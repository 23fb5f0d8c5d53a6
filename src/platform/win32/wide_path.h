// The one conversion every Windows service needs: the library's UTF-8 names
// to the UTF-16 the wide Windows calls take. Win32 implementation files only.
#pragma once
#include <windows.h>

namespace rdstmc::platform {

// Converts a zero-terminated UTF-8 name into out[capacity]; false when it is
// malformed or does not fit.
inline bool WidenName(const char* utf8, wchar_t* out, int capacity) {
    if (utf8 == nullptr) return false;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, out, capacity) > 0;
}

// Longest name the library passes: 255 UTF-16 units, with room for a prefix.
constexpr int kWideNameCapacity = 512;

}  // namespace rdstmc::platform
