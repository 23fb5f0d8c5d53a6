// Text conversion between the 16-bit text of the exported interface and the
// 8-bit text of commands, paths and device names.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rdstmc::text {

// Converts 16-bit text to 7-bit ASCII for a command sentence. False, with
// `out` unspecified, if a unit is outside ASCII or the text needs more than
// capacity-1 bytes.
bool WideToAscii(const uint16_t* in, char* out, size_t capacity);

// Converts a 16-bit path or device name to UTF-8, the library's encoding for
// them on every platform (each platform's file and serial layer converts to
// what its OS takes). False for a null or malformed name, or one that does not fit.
bool WideToNativePath(const uint16_t* in, char* out, size_t capacity);

// Writes the UTF-8 bytes of one code point (at most U+10FFFF) to `out`;
// returns how many (1 to 4).
size_t EncodeUtf8(uint32_t codePoint, char out[4]);

// Length of a zero-terminated 16-bit string, counting at most `limit` units:
// returns `limit` when no terminator lies within them.
size_t WideLength(const uint16_t* text, size_t limit);

}  // namespace rdstmc::text
