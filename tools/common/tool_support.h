// Small helpers the command-line tools share.
#pragma once
#include <signal.h>

#include <chrono>
#include <string>

namespace rdstmc::tools {

// The recording that ships with the library: beside the sources in a build
// tree, else where it was installed. Returns the installed path when neither
// exists, so the caller's message names where it should be.
std::string BundledRecording();

// Whole-string number parsing: false on anything but a number that fits.
bool ParseDecimal(const std::string& text, double& value);
bool ParseUnsigned(const std::string& text, unsigned long& value);

// Days from 1970-01-01 to a Gregorian date (negative before it).
long long DaysFromCivil(long long year, unsigned month, unsigned day);

// Blocks SIGINT, SIGTERM and SIGHUP for the calling thread and every thread
// it starts later, and ignores SIGPIPE, so stop requests are only ever taken
// by WaitForStopSignal and never interrupt another thread. Returns the set.
sigset_t BlockStopSignals();

// Waits up to `timeout` for one of `stop`; true if one came.
bool WaitForStopSignal(const sigset_t& stop, std::chrono::milliseconds timeout);

}  // namespace rdstmc::tools
