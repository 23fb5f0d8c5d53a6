// Text conversion between the receiver's 8-bit text, the 16-bit text of the
// exported interface, and the OS's own path and command encodings.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rdstmc::platform {

// Converts the receiver's zero-terminated 8-bit text to 16-bit units with the
// platform's 8-bit character set for broadcast text, writing at most
// capacity-1 units and a terminator (capacity must be at least 1). Returns the
// units written before the terminator.
size_t ReceiverTextToWide(const char* in, uint16_t* out, size_t capacity);

// Converts 16-bit text to 7-bit ASCII for a command sentence. False, with
// `out` unspecified, if a unit is outside ASCII or the text needs more than
// capacity-1 bytes.
bool WideToAscii(const uint16_t* in, char* out, size_t capacity);

// Converts a 16-bit path or device name to the OS's encoding (UTF-8 on POSIX).
// False for a null or malformed name, or one that does not fit.
bool WideToNativePath(const uint16_t* in, char* out, size_t capacity);

// Length of a zero-terminated 16-bit string, counting at most `limit` units:
// returns `limit` when no terminator lies within them.
size_t WideLength(const uint16_t* text, size_t limit);

}  // namespace rdstmc::platform
