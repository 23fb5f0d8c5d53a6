// Text conversions that need no OS call: inside the library paths and device
// names are UTF-8 on every platform, and a platform whose OS takes another
// encoding converts where it makes the call.
#include "text/text.h"

namespace rdstmc::text {

bool WideToAscii(const uint16_t* in, char* out, size_t capacity) {
    if (in == nullptr || capacity == 0) return false;
    size_t n = 0;
    for (; in[n]; ++n) {
        if (in[n] > 0x7F || n + 1 >= capacity) return false;
        out[n] = static_cast<char>(in[n]);
    }
    out[n] = 0;
    return true;
}

bool WideToNativePath(const uint16_t* in, char* out, size_t capacity) {
    if (in == nullptr) return false;
    size_t n = 0;
    for (size_t i = 0; in[i]; ++i) {
        uint32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            const uint32_t low = in[i + 1];
            if (low < 0xDC00 || low > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        char bytes[4];
        const size_t len = EncodeUtf8(cp, bytes);
        if (n + len + 1 > capacity) return false;
        for (size_t k = 0; k < len; ++k) out[n++] = bytes[k];
    }
    if (n + 1 > capacity) return false;
    out[n] = 0;
    return true;
}

size_t EncodeUtf8(uint32_t cp, char out[4]) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

size_t WideLength(const uint16_t* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n]) ++n;
    return n;
}

}  // namespace rdstmc::text
