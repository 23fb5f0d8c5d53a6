#include "platform/serial.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/win32/open_failure_error.h"
#include "platform/win32/wide_path.h"

namespace rdstmc::platform {

// The overlapped requests and their buffers belong to the device, not to a
// caller's stack: a request the driver never completes, even once cancelled,
// keeps using them, and such a device is abandoned, never freed.
constexpr size_t kChunkSize = 4096;

struct SerialDevice {
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE interrupt = nullptr;  // manual reset; set by SerialInterrupt
    HANDLE readDone = nullptr;   // overlapped completion of the reader's reads
    HANDLE writeDone = nullptr;  // and of writes, from any one thread at a time
    bool comm = false;           // a serial device, whose timeouts apply
    DWORD readTimeoutMs = 0xFFFFFFFF;  // the read time-out last given to the driver
    std::atomic<bool> stuck{false};    // a cancelled request never completed
    OVERLAPPED readRequest;
    OVERLAPPED writeRequest;
    char readBuffer[kChunkSize];
    char writeBuffer[kChunkSize];
};

namespace {

const unsigned kRates[] = {50,     75,     110,    134,    150,     200,     300,     600,     1200,    1800,
                           2400,   4800,   9600,   19200,  38400,   57600,   115200,  230400,  460800,  500000,
                           576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};

// Once bytes have started to come, a read returns after this much silence.
// A timeout that returns "as soon as any byte is there" (MAXDWORD interval
// and multiplier) is not honoured everywhere (Wine waits the whole total
// time), while a short interval is.
constexpr DWORD kReadIntervalMs = 5;
// Beyond the driver's own time-out, how long a read may take before it is
// cancelled: a driver that ignores its time-outs must not hang the reader.
constexpr DWORD kDriverSlackMs = 2000;
// Reads with at least this time-out tell an empty return at once from an
// empty return at its end.
constexpr unsigned kEndOfFileThresholdMs = 100;
// How long a cancelled request may take to complete before the device is
// given up as stuck.
constexpr DWORD kCancelCompletionMs = 1000;

// The errors with which Windows' serial drivers answer once their device has
// been removed (a USB adapter pulled out) or its driver has failed.
bool RemovalError(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_OPERATION_ABORTED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_INVALID_HANDLE:
        case ERROR_BROKEN_PIPE:
            return true;
        default:
            return false;
    }
}

long FailedRead(DWORD error) { return RemovalError(error) ? kSerialGone : -1; }

bool SupportedRate(unsigned baud) {
    for (unsigned r : kRates) {
        if (r == baud) return true;
    }
    return false;
}

// "COM3", "com12", "COM12:" and "COM05" as users write them become
// "\\.\COM3" and the like, the one form Windows opens for every port
// number; any other name is opened as given.
std::string DeviceName(const char* path) {
    std::string name = path;
    const bool com = name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
                     (name[2] == 'M' || name[2] == 'm');
    if (!com) return name;
    if (name.back() == ':') name.pop_back();
    const size_t digits = name.find_first_not_of("0123456789", 3);
    if (name.size() == 3 || digits != std::string::npos || name.size() > 3 + 9) return path;
    const unsigned long number = std::stoul(name.substr(3));
    if (number == 0) return path;
    return "\\\\.\\COM" + std::to_string(number);
}

// Serial ports are character devices; pipes carry a module's bytes too.
// A disk file (a log typed where the port belongs) is refused before a byte
// is read or written, so it stays as it was.
bool CarriesAStream(HANDLE h) {
    const DWORD type = GetFileType(h);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

// Raw 8N1 with no flow control of any kind: every byte passes unchanged.
bool Configure(HANDLE port, unsigned baud, bool& comm) {
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) {
        comm = false;  // not a serial device: used as it is
        return true;
    }
    comm = true;
    dcb.BaudRate = baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    return SetCommState(port, &dcb) != 0;
}

void SetReadTimeout(SerialDevice* d, DWORD timeoutMs) {
    if (!d->comm || d->readTimeoutMs == timeoutMs) return;
    COMMTIMEOUTS t;
    std::memset(&t, 0, sizeof t);
    t.ReadIntervalTimeout = kReadIntervalMs;
    t.ReadTotalTimeoutConstant = timeoutMs;
    if (SetCommTimeouts(d->port, &t)) d->readTimeoutMs = timeoutMs;
}

bool Interrupted(const SerialDevice* d) { return WaitForSingleObject(d->interrupt, 0) == WAIT_OBJECT_0; }

// Waits for an overlapped request, the interrupt or `timeoutMs`; cancels the
// request unless it completed. The bytes transferred, -1 or kSerialGone on
// failure. A cancelled request that does not complete in time leaves the
// device stuck: it is given up on, since its buffers may still be written.
long Finish(SerialDevice* d, OVERLAPPED& ov, DWORD timeoutMs) {
    const HANDLE handles[2] = {ov.hEvent, d->interrupt};
    const DWORD r = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    DWORD n = 0;
    if (r == WAIT_OBJECT_0) {
        if (GetOverlappedResult(d->port, &ov, &n, FALSE)) return static_cast<long>(n);
        return FailedRead(GetLastError());
    }
    CancelIoEx(d->port, &ov);
    if (WaitForSingleObject(ov.hEvent, kCancelCompletionMs) != WAIT_OBJECT_0) {
        d->stuck.store(true);
        return kSerialGone;
    }
    GetOverlappedResult(d->port, &ov, &n, FALSE);
    return r == WAIT_OBJECT_0 + 1 ? 0 : static_cast<long>(n);
}

void CloseAll(SerialDevice* d) {
    if (d->port != INVALID_HANDLE_VALUE) CloseHandle(d->port);
    for (HANDLE h : {d->interrupt, d->readDone, d->writeDone}) {
        if (h != nullptr) CloseHandle(h);
    }
    d->port = INVALID_HANDLE_VALUE;
    d->interrupt = d->readDone = d->writeDone = nullptr;
}

}  // namespace

SerialDevice* SerialOpen(const char* path, unsigned baud, OpenFailure* why) {
    OpenFailure ignored;
    OpenFailure& failure = why ? *why : ignored;
    if (path == nullptr) return failure = OpenFailure::kNotFound, nullptr;
    if (!SupportedRate(baud)) return failure = OpenFailure::kBadRate, nullptr;
    wchar_t wide[kWideNameCapacity];
    if (!WidenName(DeviceName(path).c_str(), wide, kWideNameCapacity)) return failure = OpenFailure::kNotFound, nullptr;
    SerialDevice* d = new (std::nothrow) SerialDevice;
    if (d == nullptr) return failure = OpenFailure::kOther, nullptr;
    // No sharing: a second opener, in any process, is refused while we hold it.
    d->port = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    const DWORD openError = GetLastError();
    d->interrupt = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    d->readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    d->writeDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (d->port == INVALID_HANDLE_VALUE) {
        failure = OpenFailureFromError(openError, true);
    } else if (!CarriesAStream(d->port)) {
        failure = OpenFailure::kNotADevice;
    } else if (!d->interrupt || !d->readDone || !d->writeDone) {
        failure = OpenFailure::kOther;
    } else if (!Configure(d->port, baud, d->comm)) {
        failure = OpenFailure::kBadRate;
    } else {
        failure = OpenFailure::kNone;
    }
    if (failure != OpenFailure::kNone) {
        CloseAll(d);
        delete d;
        return nullptr;
    }
    if (d->comm) PurgeComm(d->port, PURGE_RXABORT | PURGE_TXABORT);
    return d;
}

long SerialRead(SerialDevice* d, void* buffer, size_t capacity, unsigned timeoutMs) {
    if (d == nullptr) return -1;
    if (d->stuck.load()) return kSerialGone;
    if (capacity == 0 || Interrupted(d)) return 0;
    if (capacity > kChunkSize) capacity = kChunkSize;
    if (timeoutMs == 0 && d->comm) {
        // Not waiting means taking only what the driver already holds: a read
        // that should return at once is not honoured everywhere (Wine waits).
        COMSTAT status;
        DWORD errors = 0;
        if (!ClearCommError(d->port, &errors, &status)) return FailedRead(GetLastError());
        if (status.cbInQue == 0) return 0;
        if (status.cbInQue < capacity) capacity = status.cbInQue;
        timeoutMs = 1;
    }
    SetReadTimeout(d, timeoutMs);
    OVERLAPPED& ov = d->readRequest;
    std::memset(&ov, 0, sizeof ov);
    ov.hEvent = d->readDone;
    ResetEvent(d->readDone);
    const ULONGLONG start = GetTickCount64();
    DWORD n = 0;
    long got;
    if (ReadFile(d->port, d->readBuffer, static_cast<DWORD>(capacity), &n, &ov)) {
        got = static_cast<long>(n);
    } else if (GetLastError() == ERROR_IO_PENDING) {
        got = Finish(d, ov, timeoutMs + kDriverSlackMs);
    } else {
        return FailedRead(GetLastError());
    }
    if (got > 0) std::memcpy(buffer, d->readBuffer, static_cast<size_t>(got));
    // A read that should have waited but came back at once with nothing
    // means the far end is gone (end of file); said so, the caller paces its
    // retries instead of spinning.
    if (got == 0 && timeoutMs >= kEndOfFileThresholdMs && GetTickCount64() - start < timeoutMs / 2 && !Interrupted(d)) {
        return kSerialGone;
    }
    return got;
}

bool SerialWrite(SerialDevice* d, const void* data, size_t length, unsigned timeoutMs) {
    if (d == nullptr || d->stuck.load()) return false;
    const char* p = static_cast<const char*>(data);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (length > 0) {
        if (Interrupted(d)) return false;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        const size_t chunk = length < kChunkSize ? length : kChunkSize;
        std::memcpy(d->writeBuffer, p, chunk);
        OVERLAPPED& ov = d->writeRequest;
        std::memset(&ov, 0, sizeof ov);
        ov.hEvent = d->writeDone;
        ResetEvent(d->writeDone);
        DWORD n = 0;
        long written;
        if (WriteFile(d->port, d->writeBuffer, static_cast<DWORD>(chunk), &n, &ov)) {
            written = static_cast<long>(n);
        } else if (GetLastError() == ERROR_IO_PENDING) {
            written = Finish(d, ov, static_cast<DWORD>(deadline - now));
        } else {
            return false;
        }
        if (written <= 0) return false;
        p += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

void SerialInterrupt(SerialDevice* d) {
    if (d != nullptr) SetEvent(d->interrupt);
}

void SerialClose(SerialDevice* d) {
    if (d == nullptr) return;
    if (d->stuck.load()) {
        // The driver may still complete the cancelled request into this
        // object and signal its events: let go of the port, so it can be
        // opened again, and keep the rest for the life of the process.
        CloseHandle(d->port);
        d->port = INVALID_HANDLE_VALUE;
        return;
    }
    CloseAll(d);
    delete d;
}

// Windows processes are never copied, so nothing is ever shared to spare.
void SerialAbandon(SerialDevice* d) {
    if (d != nullptr) CloseAll(d);
}

}  // namespace rdstmc::platform
