// What the POSIX tests measure of their own process, and the programs they
// start.
#pragma once
#include <string>
#include <vector>

namespace rdstmc::test {

int ThreadCount();
int OpenDescriptorCount();
// CPU time used by every thread of this process so far.
double ProcessCpuSeconds();

// The command line that runs the program `argv[0]` from this test: under the
// build's emulator when the tests themselves run emulated.
std::vector<std::string> LaunchArgv(const std::vector<std::string>& argv);
// Starts that command line as a child process; its id, or -1.
int Spawn(const std::vector<std::string>& argv);
// Waits for the child to end; its exit code, or -1 if it did not exit normally.
int ExitCode(int pid);

}  // namespace rdstmc::test
