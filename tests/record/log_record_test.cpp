// The log record as every reader in the tree reads it: the replay, the C
// reader and the tools' reader agree line for line, signed stamps included.
#include "record/log_record.h"

#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <string>
#include <vector>

#include "rdstmc_c.h"
#include "record/replay.h"
#include "recording.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

struct Parsed {
    bool ok;
    uint32_t stamp;
    std::string sentence;
};

Parsed Parse(const std::string& line) {
    uint32_t stamp = 0;
    size_t sentenceAt = 0;
    const bool ok = ParseLogRecord(line.data(), line.data() + line.size(), stamp, sentenceAt);
    return {ok, stamp, ok ? line.substr(sentenceAt) : ""};
}

TEST(LogRecord, ReadsWhatItWritesAndTheReplaysRulesForEveryOtherLine) {
    for (const int32_t stamp : {0, 1, -1, 2147483647, -2147483647 - 1}) {
        char record[kLogRecordSize];
        const std::string sentence = "$PLTTQ,8750,40,0,0,0*50\r\n";
        const Parsed p = Parse(std::string(record, FormatLogRecord(stamp, sentence.data(), sentence.size(), record)));
        EXPECT_TRUE(p.ok && p.stamp == static_cast<uint32_t>(stamp) && p.sentence == sentence) << stamp;
    }
    EXPECT_FALSE(Parse("$PLTTQ,1*00\r\n").ok) << "no stamp";
    EXPECT_FALSE(Parse("[5],no sentence\r\n").ok);
    EXPECT_FALSE(Parse("[5],$PLTTQ,1*00[\r\n").ok) << "a '[' after the last '$'";
    EXPECT_EQ(Parse("[]$X\n").stamp, 0u) << "empty brackets are stamp 0";
    EXPECT_EQ(Parse("[1]x[-2]y$X\n").stamp, 0xFFFFFFFEu) << "the last stamp counts";
    EXPECT_EQ(Parse("[7]x[$X\n").stamp, 7u) << "an unclosed '[' before the sentence changes nothing";
    EXPECT_EQ(Parse("[1]$A[2]$B\n").sentence, "$B\n");
}

// The bundled recording with every stamp negated, as a log made after 24.8
// days of uptime looks: each reader must find as many groups as in the original.
TEST(LogRecord, ALogWithNegativeStampsReadsTheSameInEveryReader) {
    const std::string original = test::ReadFile(RDSTMC_BUNDLED_RECORDING_PATH);
    std::string negated;
    for (size_t at = 0; at < original.size();) {
        const size_t next = std::min(original.find('\n', at), original.size() - 1) + 1;
        const std::string line = original.substr(at, next - at);
        negated += line.rfind("[", 0) == 0 && line.compare(0, 2, "[0") != 0 ? "[-" + line.substr(1) : line;
        at = next;
    }
    ASSERT_NE(negated, original);
    test::TempDir dir;

    auto cReaderGroups = [&](const std::string& text) {
        const std::string path = dir.File("log");
        test::WriteFile(path, text);
        size_t groups = 0;
        auto count = [](void* user, uint32_t, const uint16_t*) { ++*static_cast<size_t*>(user); };
        EXPECT_TRUE(rdstmc_read_recording(path.c_str(), count, &groups));
        return groups;
    };
    auto replayLines = [](std::string text) {
        size_t lines = 0;
        std::atomic<bool> running{true};
        ReplayBatchState batch;
        char* cursor = text.data();
        bool needMore = false;
        while (!needMore) {
            ReplayBatch(cursor, text.data() + text.size(), needMore, batch, running,
                        [](void* n, uint32_t, char*, char*) { ++*static_cast<size_t*>(n); }, &lines);
        }
        return lines;
    };

    const size_t groups = cReaderGroups(original);
    ASSERT_GT(groups, 100u);
    EXPECT_EQ(cReaderGroups(negated), groups);
    EXPECT_EQ(replayLines(negated), replayLines(original));
    EXPECT_EQ(emulator::ParseRecording(negated).size(), emulator::ParseRecording(original).size());
}

}  // namespace
}  // namespace rdstmc
