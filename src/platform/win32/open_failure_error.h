// The open failure a Win32 error stands for, in the one place its errors are read.
#pragma once
#include <windows.h>

#include "platform/open_failure.h"

namespace rdstmc::platform {

// `serialPort`: Windows refuses a COM port that another program holds with
// ERROR_ACCESS_DENIED; for a file, that means permission.
inline OpenFailure OpenFailureFromError(DWORD error, bool serialPort) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH: return OpenFailure::kNotFound;
        case ERROR_ACCESS_DENIED: return serialPort ? OpenFailure::kInUse : OpenFailure::kPermissionDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return OpenFailure::kInUse;
        default: return OpenFailure::kOther;
    }
}

}  // namespace rdstmc::platform
