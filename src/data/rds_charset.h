// The character set RDS text is broadcast in.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rdstmc {

// The character of one byte of the RDS basic character set.
uint16_t RdsCharToUnicode(unsigned char c);

// Converts the receiver's zero-terminated 8-bit text to UTF-16 with the RDS
// basic character set, writing at most capacity-1 units and a terminator
// (capacity must be at least 1). Returns the units written before the terminator.
size_t RdsTextToUtf16(const char* in, uint16_t* out, size_t capacity);

}  // namespace rdstmc
