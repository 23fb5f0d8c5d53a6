// A tool run as a child process, its output captured through pipes.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rdstmc::test {

class ChildProcess {
public:
    // Starts `argv[0]` with the arguments; `asUser` >= 0 runs it under that
    // user and group id (the caller must be root); `input` names a file to
    // be its standard input. Throws if it cannot start.
    explicit ChildProcess(const std::vector<std::string>& argv, int asUser = -1, const std::string& input = "");
    // Stops it (SIGTERM, then SIGKILL) if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the exit; its status (exit code, or 128 + signal), or -1 at the deadline.
    int Wait(std::chrono::milliseconds timeout);
    // Sends `signal`, then waits as Wait does.
    int Stop(int signal, std::chrono::milliseconds timeout);

    std::string Output() const;
    std::string Errors() const;
    // Waits until the output holds `text`; false at the deadline or when the child ended without it.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) const;

private:
    void Drain(int fd, std::string& into);

    pid_t pid_ = -1;
    int status_ = -1;
    mutable std::mutex mutex_;
    std::string out_, err_;
    bool outClosed_ = false;
    std::thread outReader_, errReader_;
};

}  // namespace rdstmc::test
