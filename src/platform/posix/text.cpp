#include "platform/text.h"

namespace rdstmc::platform {
namespace {

// POSIX has no system 8-bit code page, and the receiver's text is broadcast in
// the RDS basic character set (EN 50067 Annex E, table E.1), so that table is
// the conversion here. 0x00-0x1F pass through as control codes; 0x20-0x7E are
// ASCII except the four positions below.
//
// Where published tables disagree:
//   0x24  the standard has the currency sign U+00A4; many decoders keep '$'
//         (the dollar sign proper sits at 0xAB).
//   0x5E  horizontal bar U+2015 (some keep '^');  0x60  double vertical
//         line U+2551 (some keep '`');  0x7E  overline U+00AF (some keep '~').
//   0x8D  sharp s U+00DF; the printed glyph resembles Greek beta, and some
//         tables map it to U+03B2.
//   0xCE  D with stroke U+0110 (pairing with U+0111 at 0xDE); some use the
//         look-alike eth U+00D0.
//   0xE4  small y with circumflex U+0177 as printed; some tables correct it
//         to capital U+0176 to match the rest of the column.
// 0x7F and 0xFF are unassigned; 0xFF becomes U+FFFD, 0x7F stays a control code.
const uint16_t kHighHalf[128] = {
    // 0x80
    0x00E1, 0x00E0, 0x00E9, 0x00E8, 0x00ED, 0x00EC, 0x00F3, 0x00F2,
    0x00FA, 0x00F9, 0x00D1, 0x00C7, 0x015E, 0x00DF, 0x00A1, 0x0132,
    // 0x90
    0x00E2, 0x00E4, 0x00EA, 0x00EB, 0x00EE, 0x00EF, 0x00F4, 0x00F6,
    0x00FB, 0x00FC, 0x00F1, 0x00E7, 0x015F, 0x011F, 0x0131, 0x0133,
    // 0xA0
    0x00AA, 0x03B1, 0x00A9, 0x2030, 0x011E, 0x011B, 0x0148, 0x0151,
    0x03C0, 0x20AC, 0x00A3, 0x0024, 0x2190, 0x2191, 0x2192, 0x2193,
    // 0xB0
    0x00BA, 0x00B9, 0x00B2, 0x00B3, 0x00B1, 0x0130, 0x0144, 0x0171,
    0x00B5, 0x00BF, 0x00F7, 0x00B0, 0x00BC, 0x00BD, 0x00BE, 0x00A7,
    // 0xC0
    0x00C1, 0x00C0, 0x00C9, 0x00C8, 0x00CD, 0x00CC, 0x00D3, 0x00D2,
    0x00DA, 0x00D9, 0x0158, 0x010C, 0x0160, 0x017D, 0x0110, 0x013F,
    // 0xD0
    0x00C2, 0x00C4, 0x00CA, 0x00CB, 0x00CE, 0x00CF, 0x00D4, 0x00D6,
    0x00DB, 0x00DC, 0x0159, 0x010D, 0x0161, 0x017E, 0x0111, 0x0140,
    // 0xE0
    0x00C3, 0x00C5, 0x00C6, 0x0152, 0x0177, 0x00DD, 0x00D5, 0x00D8,
    0x00DE, 0x014A, 0x0154, 0x0106, 0x015A, 0x0179, 0x0166, 0x00F0,
    // 0xF0
    0x00E3, 0x00E5, 0x00E6, 0x0153, 0x0175, 0x00FD, 0x00F5, 0x00F8,
    0x00FE, 0x014B, 0x0155, 0x0107, 0x015B, 0x017A, 0x0167, 0xFFFD,
};

uint16_t RdsToUnicode(unsigned char c) {
    switch (c) {
        case 0x24: return 0x00A4;
        case 0x5E: return 0x2015;
        case 0x60: return 0x2551;
        case 0x7E: return 0x00AF;
        default: return c < 0x80 ? c : kHighHalf[c - 0x80];
    }
}

}  // namespace

size_t ReceiverTextToWide(const char* in, uint16_t* out, size_t capacity) {
    size_t n = 0;
    if (capacity == 0) return 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(in); *p && n + 1 < capacity; ++p) {
        out[n++] = RdsToUnicode(*p);
    }
    out[n] = 0;
    return n;
}

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
