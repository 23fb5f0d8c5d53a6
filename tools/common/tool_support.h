// Small helpers the command-line tools share.
#pragma once
#include <string>

namespace rdstmc::tools {

// The recording that ships with the library: beside the sources in a build
// tree, else where it was installed. Returns the installed path when neither
// exists, so the caller's message names where it should be.
std::string BundledRecording();

// Whole-string number parsing: false on anything but a number that fits.
bool ParseDecimal(const std::string& text, double& value);
bool ParseUnsigned(const std::string& text, unsigned long& value);

}  // namespace rdstmc::tools
