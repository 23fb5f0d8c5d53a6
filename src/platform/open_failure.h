// Why the system refused to open a device or a file, read from the system's
// own error by the platform file that made the call.
#pragma once

namespace rdstmc::platform {

enum class OpenFailure {
    kNone,
    kNotFound,          // no such device or file
    kPermissionDenied,  // this user may not open it
    kInUse,             // another opener, in this or another program, holds it
    kNotADevice,        // a regular file or a directory where a device belongs
    kBadRate,           // the line speed is not one the system or adapter supports
    kOther,             // any other refusal
};

}  // namespace rdstmc::platform
