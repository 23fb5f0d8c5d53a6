#include "record/sentence_log.h"

#include <cstdio>
#include <cstring>

#include "data/receiver_state.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "text/text.h"

namespace rdstmc {
namespace {
constexpr size_t kMaxLogPathLength = 255;
}  // namespace

size_t FormatLogRecord(int tick, const char* line, size_t length, char* out) {
    const int stamp = std::snprintf(out, kLogRecordSize, "[%d],", tick);
    const size_t room = kLogRecordSize - static_cast<size_t>(stamp);
    const size_t copied = length < room ? length : room;
    std::memcpy(out + stamp, line, copied);
    return static_cast<size_t>(stamp) + copied;
}

void WriteLogLine(const char* line, size_t length) {
    ReceiverState& s = State();
    if (!s.loggingOn.load()) return;
    char record[kLogRecordSize];
    // The tick is printed signed, as the log format has always had it.
    const size_t n = FormatLogRecord(static_cast<int>(platform::TickCount()), line, length, record);
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
