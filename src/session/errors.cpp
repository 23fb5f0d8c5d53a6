// The reasons a run could not start, in words.
#include "rdstmc_ext.h"
#include "session/receiver.h"

const char* TmcErrorText(TmcError error) {
    switch (error) {
        case TmcErrorNone: return "no error";
        case TmcErrorNotFound: return "no such device or file";
        case TmcErrorPermissionDenied: return "permission denied";
        case TmcErrorInUse: return "in use by another program, or already open in this one";
        case TmcErrorNotADevice: return "not a serial device";
        case TmcErrorBadRate: return "the line speed is not supported";
        case TmcErrorAlreadyOpen: return "a port, feed or replay is open already";
        case TmcErrorBadArgument: return "no usable name or path was given, or the recording is empty";
        case TmcErrorBusy: return "called from a callback, or a callback of the last run has not returned";
        case TmcErrorNoAnswer: return "the device took no command";
        case TmcErrorOther: return "the system refused";
    }
    return "unknown error";
}

TmcError TmcGetLastError() { return rdstmc::State().lastError.load(); }
