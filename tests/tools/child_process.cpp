#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/process_support.h"
#include "support/test_support.h"

namespace rdstmc::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, int asUser, const std::string& input) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const std::vector<std::string> command = LaunchArgv(argv);
    std::vector<char*> args;
    for (const std::string& a : command) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (!input.empty()) {
            const int in = open(input.c_str(), O_RDONLY);
            if (in < 0 || dup2(in, 0) < 0) _exit(126);
        }
        // The test runner may block signals the tool relies on.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (asUser >= 0 && (setgid(static_cast<gid_t>(asUser)) != 0 || setuid(static_cast<uid_t>(asUser)) != 0))
            _exit(126);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    outReader_ = std::thread([this, fd = out[0]] {
        Drain(fd, out_);
        std::lock_guard<std::mutex> guard(mutex_);
        outClosed_ = true;
    });
    errReader_ = std::thread([this, fd = err[0]] { Drain(fd, err_); });
}

ChildProcess::~ChildProcess() {
    if (status_ < 0 && Stop(SIGTERM, std::chrono::seconds(5)) < 0) Stop(SIGKILL, std::chrono::seconds(5));
    if (outReader_.joinable()) outReader_.join();
    if (errReader_.joinable()) errReader_.join();
}

void ChildProcess::Drain(int fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        std::lock_guard<std::mutex> guard(mutex_);
        into.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (status_ >= 0) return status_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int raw = 0;
        const pid_t r = waitpid(pid_, &raw, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            // The pipes close with the child; collect the last output.
            if (outReader_.joinable()) outReader_.join();
            if (errReader_.joinable()) errReader_.join();
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int ChildProcess::Stop(int signal, std::chrono::milliseconds timeout) {
    if (status_ >= 0) return status_;
    kill(pid_, signal);
    return Wait(timeout);
}

std::string ChildProcess::Output() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return out_;
}

std::string ChildProcess::Errors() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return err_;
}

bool ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (out_.find(text) != std::string::npos) return true;
            if (outClosed_) return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace rdstmc::test
