#include "replay_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

#include "converter.h"
#include "recording.h"
#include "system.h"
#include "tool_support.h"

namespace rdstmc::monitor {

namespace {

constexpr char kStandardInput[] = "-";

// Appends all of `in`, in large blocks.
void ReadAll(std::istream& in, std::string& content) {
    constexpr size_t kBlock = 1 << 16;
    char block[kBlock];
    while (in.read(block, kBlock) || in.gcount() > 0) content.append(block, static_cast<size_t>(in.gcount()));
}

// The whole file, or standard input; false with a reason.
bool ReadWhole(const std::string& file, std::string& content, std::string& error) {
    if (file == kStandardInput) {
        tools::UseBinaryStandardStreams();
        ReadAll(std::cin, content);
        if (std::cin.bad()) error = "standard input cannot be read";
        return !std::cin.bad();
    }
    std::error_code status;
    if (std::filesystem::is_directory(tools::PathOf(file), status)) {
        error = file + ": is a directory, not a recording";
        return false;
    }
    std::ifstream in(tools::PathOf(file), std::ios::binary);
    const std::uintmax_t size = std::filesystem::file_size(tools::PathOf(file), status);
    if (!status) content.reserve(static_cast<size_t>(size));
    if (!in) {
        error = file + ": cannot be read (" + std::strerror(errno) + ")";
        return false;
    }
    ReadAll(in, content);
    if (in.bad()) error = file + ": cannot be read";
    return !in.bad();
}

}  // namespace

std::string ConversionNote(const convert::Conversion& c) {
    return "converted " + std::to_string(c.groups) + " RDS groups" +
           (c.timed ? " with their own times" : ", placed 88 ms apart") +
           (c.incomplete ? ", " + std::to_string(c.incomplete) + " incomplete ones skipped" : "");
}

ReplaySource PrepareReplay(const std::string& file, bool needFile) {
    ReplaySource source;
    const std::string name = file == kStandardInput ? "standard input" : file;
    std::string content;
    if (!ReadWhole(file, content, source.error)) return source;
    if (content.empty()) {
        source.error = name + ": is empty";
        return source;
    }
    bool copy = file == kStandardInput;
    int32_t stamp;
    std::string_view sentence;
    // A log shows itself in its first lines; a group list of millions is not
    // searched through for one.
    constexpr size_t kFormatWindow = 64 * 1024;
    if (emulator::RecordReader(std::string_view(content).substr(0, kFormatWindow)).Next(stamp, sentence)) {
        source.content = std::move(content);
        copy = copy || !tools::CanWrite(file);
    } else {
        if (!convert::GroupConverter(content, 0).Next(stamp, sentence)) {
            source.error = name +
                           ": nothing to play. Expected a recording in the library's log format "
                           "(\"[tick],$PLT...\" lines), an RDS Spy log (\"PPPP BBBB CCCC DDDD @YYYY/MM/DD "
                           "HH:MM:SS.ss\") or a list of hexadecimal RDS groups (four blocks a line)";
            return source;
        }
        source.content = std::move(content);
        source.converted = true;
        copy = true;
    }
    if (!needFile) return source;
    std::string log = source.content;
    if (source.converted) {
        // Converted whole, for the library's own replay of a file.
        const convert::Conversion c = convert::Convert(source.content, 0);
        source.note = ConversionNote(c);
        log = c.log;
    }
    source.path = copy ? tools::WriteTemporaryFile(log) : file;
    source.temporary = copy;
    if (source.path.empty()) source.error = name + ": cannot make a temporary copy to play";
    return source;
}

RecordStream::RecordStream(const ReplaySource& source) {
    if (source.converted) {
        converter_.emplace(source.content, 0);
    } else {
        log_.emplace(source.content);
    }
}

bool RecordStream::Next(int32_t& stamp, std::string_view& sentence) {
    return converter_ ? converter_->Next(stamp, sentence) : log_->Next(stamp, sentence);
}

bool RecordStream::Next(int32_t& stamp, std::string_view& sentence, uint16_t blocks[4], bool& isGroup) {
    isGroup = false;
    return converter_ ? converter_->NextRecord(stamp, sentence, blocks, isGroup) : log_->Next(stamp, sentence);
}

const convert::Conversion* RecordStream::Converted() const { return converter_ ? &converter_->Counts() : nullptr; }

}  // namespace rdstmc::monitor
