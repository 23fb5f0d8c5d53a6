#include "replay_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "converter.h"
#include "recording.h"
#include "system.h"
#include "tool_support.h"

namespace rdstmc::monitor {

ReplaySource PrepareReplay(const std::string& file) {
    ReplaySource source;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(tools::PathOf(file), error);
    if (error) {
        source.error = file + ": " + error.message();
        return source;
    }
    if (std::filesystem::is_directory(status)) {
        source.error = file + ": is a directory, not a recording";
        return source;
    }
    std::ifstream in(tools::PathOf(file), std::ios::binary);
    if (!in) {
        source.error = file + ": cannot be read (" + std::strerror(errno) + ")";
        return source;
    }
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        source.error = file + ": cannot be read";
        return source;
    }
    if (content.empty()) {
        source.error = file + ": is empty";
        return source;
    }
    if (!emulator::ParseRecording(content).empty()) {
        source.path = file;
        if (!tools::CanWrite(file)) {
            source.path = tools::WriteTemporaryFile(content);
            source.temporary = true;
        }
    } else {
        const convert::Conversion c = convert::Convert(content, 0);
        if (c.groups == 0) {
            source.error = file +
                           ": nothing to play. Expected a recording in the library's log format "
                           "(\"[tick],$PLT...\" lines), an RDS Spy log (\"PPPP BBBB CCCC DDDD @YYYY/MM/DD "
                           "HH:MM:SS.ss\") or a list of hexadecimal RDS groups (four blocks a line)";
            return source;
        }
        source.path = tools::WriteTemporaryFile(c.log);
        source.temporary = true;
        source.note = "converted " + std::to_string(c.groups) + " RDS groups" +
                      (c.timed ? " with their own times" : ", placed 88 ms apart") +
                      (c.incomplete ? ", " + std::to_string(c.incomplete) + " incomplete ones skipped" : "");
    }
    if (source.path.empty()) source.error = file + ": cannot make a temporary copy to play";
    return source;
}

}  // namespace rdstmc::monitor
