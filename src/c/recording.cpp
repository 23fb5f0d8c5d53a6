// Reading a recording's groups without playing it.
#include <cstring>

#include "link/process_buffer.h"
#include "link/sentence.h"
#include "platform/file.h"
#include "record/log_record.h"
#include "rdstmc_c.h"

namespace {

struct Reader {
    rdstmc_recorded_group_fn group;
    void* user;
    uint32_t stamp;
};

// A "$PLTTR" line's fields: a count of the groups the module had, then A to D.
void TakeSentence(void* context, const char* line, size_t length) {
    const Reader* reader = static_cast<const Reader*>(context);
    if (rdstmc::ClassifySentence(line) != rdstmc::kSentenceTR) return;
    const char* cursor = line + 7;
    int fields[5];
    for (int& f : fields) {
        if (!rdstmc::ReadField(cursor, line + length - 1, f)) return;
    }
    const uint16_t blocks[4] = {static_cast<uint16_t>(fields[1]), static_cast<uint16_t>(fields[2]),
                                static_cast<uint16_t>(fields[3]), static_cast<uint16_t>(fields[4])};
    reader->group(reader->user, reader->stamp, blocks);
}

// One line of the log, [line, end) with its line feed; its sentence is
// checked as the library checks what a port delivers.
void TakeRecord(Reader& reader, char* line, char* end) {
    size_t sentenceAt = 0;
    if (!rdstmc::ParseLogRecord(line, end, reader.stamp, sentenceAt)) return;
    size_t remainder = 0;
    rdstmc::SplitSentences(line + sentenceAt, end, remainder, TakeSentence, &reader);
}

}  // namespace

extern "C" bool rdstmc_read_recording(const char* path, rdstmc_recorded_group_fn group, void* user) {
    if (path == nullptr || group == nullptr) return false;
    rdstmc::platform::File file = rdstmc::platform::FileOpenRead(path);
    if (!file.IsOpen()) return false;
    Reader reader = {group, user, 0};
    char buffer[rdstmc::kReceiveBufferSize];
    size_t held = 0;
    bool skipping = false;  // inside a line too long for any record
    long n;
    while ((n = rdstmc::platform::FileRead(file, buffer + held, sizeof buffer - held)) > 0) {
        char* const end = buffer + held + n;
        char* start = buffer;
        for (char* feed; (feed = static_cast<char*>(std::memchr(start, '\n', static_cast<size_t>(end - start))));
             start = feed + 1) {
            if (!skipping) TakeRecord(reader, start, feed + 1);
            skipping = false;
        }
        held = static_cast<size_t>(end - start);
        if (held == sizeof buffer) {
            held = 0;
            skipping = true;
        }
        std::memmove(buffer, start, held);
    }
    if (held > 0 && !skipping) {
        buffer[held] = '\n';
        TakeRecord(reader, buffer, buffer + held + 1);
    }
    rdstmc::platform::FileClose(file);
    return n == 0;
}
