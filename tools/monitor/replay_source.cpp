#include "replay_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "converter.h"
#include "recording.h"

namespace rdstmc::monitor {
namespace {

// Writes `content` to a new private file; its name, or "" on failure.
std::string TemporaryFile(const std::string& content) {
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/rdstmc-monitor-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) return "";
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 || done != content.size()) {
        unlink(name.c_str());
        return "";
    }
    return name;
}

}  // namespace

ReplaySource PrepareReplay(const std::string& file) {
    ReplaySource source;
    struct stat st;
    if (stat(file.c_str(), &st) != 0) {
        source.error = file + ": " + std::strerror(errno);
        return source;
    }
    if (S_ISDIR(st.st_mode)) {
        source.error = file + ": is a directory, not a recording";
        return source;
    }
    std::ifstream in(file, std::ios::binary);
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
        if (access(file.c_str(), W_OK) != 0) {
            source.path = TemporaryFile(content);
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
        source.path = TemporaryFile(c.log);
        source.temporary = true;
        source.note = "converted " + std::to_string(c.groups) + " RDS groups" +
                      (c.timed ? " with their own times" : ", placed 88 ms apart") +
                      (c.incomplete ? ", " + std::to_string(c.incomplete) + " incomplete ones skipped" : "");
    }
    if (source.path.empty()) source.error = file + ": cannot make a temporary copy to play";
    return source;
}

}  // namespace rdstmc::monitor
