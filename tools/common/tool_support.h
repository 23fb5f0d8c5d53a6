// Small helpers the command-line tools share, the same on every system.
#pragma once
#include <filesystem>
#include <string>

namespace rdstmc::tools {

// The recording that ships with the library: beside the program, in
// share/rdstmc of the tree the program is in, beside the sources in a build
// tree, or where it was installed. Returns the installed path when none
// exists, so the caller's message names where it should be.
std::string BundledRecording();

// Whole-string number parsing: false on anything but a number that fits.
bool ParseDecimal(const std::string& text, double& value);
bool ParseUnsigned(const std::string& text, unsigned long& value);

// Whether a serial port can be set to `baud` bits/s: the standard rates,
// 50 to 4000000, as the library accepts them.
bool IsLineSpeed(unsigned long baud);

// A file name the tools hold as UTF-8, as the file system wants it.
inline std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::u8path(utf8); }

// Days from 1970-01-01 to a Gregorian date (negative before it).
long long DaysFromCivil(long long year, unsigned month, unsigned day);

// "2026-12-08T07:31:00Z" for seconds since 1970, UTC.
std::string IsoUtc(long long utcSeconds);

}  // namespace rdstmc::tools
