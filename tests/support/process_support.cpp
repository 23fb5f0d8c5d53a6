#include "support/process_support.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sstream>

extern char** environ;

namespace rdstmc::test {

std::vector<std::string> LaunchArgv(const std::vector<std::string>& argv) {
    std::vector<std::string> out;
    std::istringstream launcher(RDSTMC_TEST_LAUNCHER);
    for (std::string word; launcher >> word;) out.push_back(word);
    out.insert(out.end(), argv.begin(), argv.end());
    return out;
}

int Spawn(const std::vector<std::string>& argv) {
    const std::vector<std::string> command = LaunchArgv(argv);
    std::vector<char*> args;
    for (const std::string& a : command) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    return pid;
}

int ExitCode(int pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

namespace {

int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.') ++n;
        }
        closedir(d);
    }
    return n;
}

}  // namespace

double ProcessCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

int ThreadCount() { return CountEntries("/proc/self/task"); }
// The directory stream itself holds one descriptor while counting.
int OpenDescriptorCount() { return CountEntries("/proc/self/fd") - 1; }

}  // namespace rdstmc::test
