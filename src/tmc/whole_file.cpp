#include "tmc/whole_file.h"

#include "platform/file.h"

namespace rdstmc {

WholeFile ReadWholeFile(const std::string& path, size_t limit, std::string& out) {
    platform::File file = platform::FileOpenRead(path.c_str());
    if (!file.IsOpen()) return WholeFile::kUnreadable;
    const size_t start = out.size();
    char block[1 << 16];
    long n;
    while ((n = platform::FileRead(file, block, sizeof block)) > 0) {
        if (out.size() - start + static_cast<size_t>(n) > limit) {
            platform::FileClose(file);
            out.resize(start);
            return WholeFile::kTooLarge;
        }
        out.append(block, static_cast<size_t>(n));
    }
    platform::FileClose(file);
    return n == 0 ? WholeFile::kRead : WholeFile::kUnreadable;
}

}  // namespace rdstmc
