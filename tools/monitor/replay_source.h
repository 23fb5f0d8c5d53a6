// What rdstmc-monitor --replay plays, whatever format the file is in.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "converter.h"
#include "recording.h"

namespace rdstmc::monitor {

struct ReplaySource {
    std::string content;    // what the file holds
    bool converted = false; // content is another tool's log, converted as it is read
    std::string path;       // the file to hand the library; "" when not asked for
    bool temporary = false; // path is a file of ours, to be removed afterwards
    std::string note;       // what was done to the input, for the user (a converted file)
    std::string error;      // why nothing can be played; empty when it can
};

// A recording in the library's log format is played as it is; an RDS Spy log
// or a list of hexadecimal groups is converted first. `file` "-" is standard
// input. With `needFile` the library gets a file to open: the recording
// itself, or a private copy when it is converted, comes from standard input
// or may not be opened for writing, as the library requires. A file with
// nothing playable is an error that says what was expected.
ReplaySource PrepareReplay(const std::string& file, bool needFile);

// "converted N RDS groups ..." for the user.
std::string ConversionNote(const convert::Conversion& conversion);

// The records of a replay source one at a time, converted on the way when
// the source is another tool's log; no copy of the whole is made.
class RecordStream {
public:
    // `source` must outlive the stream.
    explicit RecordStream(const ReplaySource& source);
    // The next record as a sentence.
    bool Next(int32_t& stamp, std::string_view& sentence);
    // The next record: a group of a converted source as its blocks A to D
    // (`isGroup`), any other as its sentence.
    bool Next(int32_t& stamp, std::string_view& sentence, uint16_t blocks[4], bool& isGroup);
    // What conversion read so far; null for a recording in the log format.
    const convert::Conversion* Converted() const;

private:
    std::optional<emulator::RecordReader> log_;
    std::optional<convert::GroupConverter> converter_;
};

}  // namespace rdstmc::monitor
