// Text handed out through the C interface: UTF-8 into a caller's buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace rdstmc::c_interface {

// Copies `text` (UTF-8, `length` bytes) into out[capacity], cut before the
// character that would not fit, and terminated. Returns the bytes the whole
// text needs with its terminator, so a caller can retry; 0 when out is null
// with a nonzero capacity.
size_t CopyOut(const char* text, size_t length, char* out, size_t capacity);
inline size_t CopyOut(const std::string& text, char* out, size_t capacity) {
    return CopyOut(text.data(), text.size(), out, capacity);
}

// UTF-16 text to UTF-8 into out[capacity], as CopyOut; an unpaired
// surrogate becomes U+FFFD.
size_t Utf16ToUtf8(const uint16_t* in, char* out, size_t capacity);

}  // namespace rdstmc::c_interface
