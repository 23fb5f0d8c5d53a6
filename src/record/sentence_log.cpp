#include "record/sentence_log.h"

#include <cstring>

#include "data/receiver_state.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "text/text.h"

namespace rdstmc {
namespace {
constexpr size_t kMaxLogPathLength = 255;
}  // namespace

void WriteLogLine(const char* line, size_t length) {
    ReceiverState& s = State();
    if (!s.loggingOn.load()) return;
    char record[kLogRecordSize];
    const size_t n = FormatLogRecord(static_cast<int32_t>(platform::TickCount()), line, length, record);
    platform::LockGuard guard(s.logLock);
    if (!s.loggingOn.load()) return;
    platform::File file = platform::FileOpenAppend(s.logPath);
    if (!platform::FileWrite(file, record, n)) s.logRecordsLost.fetch_add(1);
    platform::FileClose(file);
}

}  // namespace rdstmc

bool TmcStartLogging(const unsigned short path[]) {
    rdstmc::ReceiverState& s = rdstmc::State();
    rdstmc::platform::LockGuard guard(s.logLock);
    if (s.loggingOn.load()) return false;
    if (path == nullptr ||
        rdstmc::text::WideLength(path, rdstmc::kMaxLogPathLength + 1) > rdstmc::kMaxLogPathLength ||
        !rdstmc::text::WideToNativePath(path, s.logPath, sizeof s.logPath)) {
        return false;
    }
    s.loggingOn.store(true);
    return true;
}

bool TmcStopLogging() {
    rdstmc::ReceiverState& s = rdstmc::State();
    rdstmc::platform::LockGuard guard(s.logLock);
    return s.loggingOn.exchange(false);
}
