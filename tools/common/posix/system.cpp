#include "system.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace rdstmc::tools {
namespace {

sigset_t StopSignals() {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    sigaddset(&stop, SIGUSR1);
    return stop;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void CatchStopRequests() {
    // Blocked here, the signals stay pending until sigtimedwait takes them;
    // threads started afterwards inherit the mask.
    const sigset_t stop = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

Request WaitForRequest(std::chrono::milliseconds timeout) {
    const sigset_t stop = StopSignals();
    const long long ms = timeout.count() < 0 ? 0 : timeout.count();
    const timespec ts = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
    const int signal = sigtimedwait(&stop, nullptr, &ts);
    if (signal == SIGUSR1) return Request::kReport;
    return signal > 0 ? Request::kStop : Request::kNone;
}

bool WaitForStopRequest(std::chrono::milliseconds timeout) { return WaitForRequest(timeout) == Request::kStop; }

void UseBinaryStandardStreams() {}

std::string WriteTemporaryFile(const std::string& content) {
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/rdstmc-XXXXXX";
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

bool ReplaceFileContent(const std::string& path, const std::string& content) {
    const std::string beside = path + ".new-" + std::to_string(getpid());
    const int fd = open(beside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 || done != content.size() || rename(beside.c_str(), path.c_str()) != 0) {
        unlink(beside.c_str());
        return false;
    }
    return true;
}

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

bool CanWrite(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

std::string ProgramDirectory() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    const std::string program(path, static_cast<size_t>(n));
    return program.substr(0, program.rfind('/'));
}

}  // namespace rdstmc::tools
