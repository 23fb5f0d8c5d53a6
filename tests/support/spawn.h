// Starting another program from a test and taking its exit code, on every
// system the tests run on.
#pragma once
#include <string>
#include <vector>

namespace rdstmc::test {

// The command line that runs the program `argv[0]` from this test: under the
// build's emulator when the tests themselves run emulated.
std::vector<std::string> LaunchArgv(const std::vector<std::string>& argv);
// Starts that command line as a child process; its id, or -1. On Windows a
// bare program name is found beside the test program first.
int Spawn(const std::vector<std::string>& argv);
// Waits for the child to end; its exit code, or -1 if it did not exit normally.
int ExitCode(int pid);

}  // namespace rdstmc::test
