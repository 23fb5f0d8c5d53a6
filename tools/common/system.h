// What the tools need from the operating system: stop requests from the
// console, byte-exact standard streams, private temporary files. One
// implementation per system, chosen by the build.
#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace rdstmc::tools {

// The command line's arguments as UTF-8, whatever the system's own encoding.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// From now on stop requests (Ctrl-C, and on POSIX SIGTERM and SIGHUP) are
// taken only by WaitForStopRequest; threads started later never see them,
// so a request never interrupts a callback halfway through a line. A broken
// output pipe no longer ends the process. Console text is UTF-8.
void CatchStopRequests();

// Waits up to `timeout` for a stop request; true if one came.
bool WaitForStopRequest(std::chrono::milliseconds timeout);

// What a user may ask of a running tool.
enum class Request { kNone, kStop, kReport };
// Waits up to `timeout` for a stop request or, on POSIX, SIGUSR1 asking for a
// report; kNone when neither came.
Request WaitForRequest(std::chrono::milliseconds timeout);

// Standard input and output carry bytes unchanged (no CR LF translation),
// for tools whose output is a recording.
void UseBinaryStandardStreams();

// Writes `content` to a new file only this user can read; its name, or ""
// on failure. The caller removes it.
std::string WriteTemporaryFile(const std::string& content);

// Makes `path` hold `content`: written beside it, then moved over it in one
// step, so a program reading it never sees half a file. False on failure.
bool ReplaceFileContent(const std::string& path, const std::string& content);

// Whether standard output goes to a terminal (else a file or a pipe).
bool StandardOutputIsTerminal();

// Whether this process may open `path` for writing.
bool CanWrite(const std::string& path);

// The directory the running program was started from, "" if unknown.
std::string ProgramDirectory();

}  // namespace rdstmc::tools
