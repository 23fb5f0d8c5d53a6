// The open failure an errno stands for, in the one place POSIX errors are read.
#pragma once
#include <cerrno>

#include "platform/open_failure.h"

namespace rdstmc::platform {

inline OpenFailure OpenFailureFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENXIO:
        case ENODEV: return OpenFailure::kNotFound;
        case EACCES:
        case EPERM:
        case EROFS: return OpenFailure::kPermissionDenied;
        case EBUSY:
        case EWOULDBLOCK: return OpenFailure::kInUse;
        case EISDIR: return OpenFailure::kNotADevice;
        default: return OpenFailure::kOther;
    }
}

}  // namespace rdstmc::platform
