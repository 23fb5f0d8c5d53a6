#include "support/spawn.h"

#include <spawn.h>
#include <sys/wait.h>

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

}  // namespace rdstmc::test
