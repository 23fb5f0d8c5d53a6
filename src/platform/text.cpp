// Text conversions that need no OS call: inside the library paths and device
// names are UTF-8 on every platform, and a platform whose OS takes another
// encoding converts where it makes the call.
#include "platform/text.h"

namespace rdstmc::platform {

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
        unsigned char bytes[4];
        size_t len;
        if (cp < 0x80) {
            bytes[0] = static_cast<unsigned char>(cp);
            len = 1;
        } else if (cp < 0x800) {
            bytes[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
            bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 2;
        } else if (cp < 0x10000) {
            bytes[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
            bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 3;
        } else {
            bytes[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 4;
        }
        if (n + len + 1 > capacity) return false;
        for (size_t k = 0; k < len; ++k) out[n++] = static_cast<char>(bytes[k]);
    }
    if (n + 1 > capacity) return false;
    out[n] = 0;
    return true;
}

size_t WideLength(const uint16_t* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n]) ++n;
    return n;
}

}  // namespace rdstmc::platform
