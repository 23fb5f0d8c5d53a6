#include "record/sentence_log.h"

#include <cstring>

#include "data/receiver_state.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "session/receiver.h"
#include "text/text.h"

namespace rdstmc {
namespace {
constexpr size_t kMaxLogPathLength = 255;
}  // namespace

void WriteLogLine(ReceiverState& s, const char* line, size_t length) {
    if (!s.loggingOn.load()) return;
    char record[kLogRecordSize];
    const size_t n = FormatLogRecord(static_cast<int32_t>(platform::TickCount()), line, length, record);
    platform::LockGuard guard(s.logLock);
    if (!s.loggingOn.load()) return;
    platform::File file = platform::FileOpenAppend(s.logPath);
    if (!platform::FileWrite(file, record, n)) s.logRecordsLost.fetch_add(1);
    platform::FileClose(file);
}

bool StartLogging(ReceiverState& s, const unsigned short path[]) {
    platform::LockGuard guard(s.logLock);
    if (s.loggingOn.load()) return false;
    if (path == nullptr || text::WideLength(path, kMaxLogPathLength + 1) > kMaxLogPathLength ||
        !text::WideToNativePath(path, s.logPath, sizeof s.logPath)) {
        return false;
    }
    s.loggingOn.store(true);
    return true;
}

bool StopLogging(ReceiverState& s) {
    platform::LockGuard guard(s.logLock);
    return s.loggingOn.exchange(false);
}

}  // namespace rdstmc

bool TmcStartLogging(const unsigned short path[]) { return rdstmc::StartLogging(rdstmc::State(), path); }
bool TmcStopLogging() { return rdstmc::StopLogging(rdstmc::State()); }
