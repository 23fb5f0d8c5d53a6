#include "c/text_out.h"

#include <cstring>

#include "text/text.h"

namespace rdstmc::c_interface {

size_t CopyOut(const char* text, size_t length, char* out, size_t capacity) {
    if (capacity == 0) return length + 1;
    if (out == nullptr) return 0;
    size_t n = length < capacity - 1 ? length : capacity - 1;
    // Never end inside a character: back up over continuation bytes.
    if (n < length) {
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(out, text, n);
    out[n] = 0;
    return length + 1;
}

size_t Utf16ToUtf8(const uint16_t* in, char* out, size_t capacity) {
    // Long enough for the longest text the library hands out (64 characters).
    char buffer[1024];
    size_t length = 0;
    for (size_t i = 0; in != nullptr && in[i] != 0 && length + 4 <= sizeof buffer; ++i) {
        uint32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        length += text::EncodeUtf8(cp, buffer + length);
    }
    return CopyOut(buffer, length, out, capacity);
}

}  // namespace rdstmc::c_interface
