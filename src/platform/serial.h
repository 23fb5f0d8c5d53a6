// The serial device that carries the receiver's sentences.
#pragma once
#include <cstddef>

#include "platform/open_failure.h"

namespace rdstmc::platform {

struct SerialDevice;

// Opens an existing device for reading and writing, for this process only
// (no other opener, in this or any process, while it is held), as a raw 8N1
// line at `baud` bits/s with no flow control and modem lines ignored.
// Character devices that are not terminals and pipes or sockets are used as
// they are, without line settings. Returns null when the device is missing,
// not permitted, already in use, not a device at all (a regular file or a
// directory, which is left untouched), or `baud` is not a rate the OS
// supports (all standard rates 50 to 4000000); `why`, when given, then says
// which.
SerialDevice* SerialOpen(const char* path, unsigned baud, OpenFailure* why = nullptr);

// What SerialRead returns when the device itself has gone away: unplugged,
// its driver removed, the far end of a pseudo-terminal or pipe closed. Reads
// of such a device never succeed again; opening it anew by name may, once it
// is back.
constexpr long kSerialGone = -2;

// Waits up to `timeoutMs` for bytes and returns as soon as any are there:
// the count read (1..capacity), 0 when nothing came in time or the device was
// interrupted, kSerialGone when the device went away (hang-up, end of file,
// the I/O errors of a removed device), or -1 on any other failure. Only one
// thread reads at a time.
long SerialRead(SerialDevice* device, void* buffer, size_t capacity, unsigned timeoutMs);

// Writes all `length` bytes, waiting up to `timeoutMs` in all for the device
// to take them; true only when every byte was written. Any thread.
bool SerialWrite(SerialDevice* device, const void* data, size_t length, unsigned timeoutMs);

// Makes a read or write in progress, and every later one, return at once
// (a read reports 0, a write false). Any thread; used to stop the reader.
void SerialInterrupt(SerialDevice* device);

// Releases the device. No other call on it may be in progress or follow.
void SerialClose(SerialDevice* device);

// In a copy of the process: lets go of this process's hold on the device
// without touching what it shares with the parent (its exclusive use, its
// lock, its interrupt), so the parent's connection goes on as it was. A later
// SerialClose only frees the object. Single-threaded use only.
void SerialAbandon(SerialDevice* device);

}  // namespace rdstmc::platform
