// Reading a whole file through the library's file layer, so that a path is
// UTF-8 on every system: on Windows it is opened by its wide name, whatever
// the ANSI code page could spell.
#pragma once
#include <cstddef>
#include <string>

namespace rdstmc {

enum class WholeFile { kRead, kUnreadable, kTooLarge };

// Appends the file's bytes to `out`. kTooLarge, with `out` as it was, as soon
// as the file holds more than `limit` bytes: a guard against reading a
// wrong, huge file whole.
WholeFile ReadWholeFile(const std::string& path, size_t limit, std::string& out);

}  // namespace rdstmc
