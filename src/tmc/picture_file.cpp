// The traffic picture kept in a file, through the library's own file layer
// (UTF-8 names on every system).
#include "platform/file.h"
#include "rdstmc_tmc.h"
#include "tmc/whole_file.h"

namespace rdstmc {
namespace {
// Far more than a picture of the largest capacity takes: a guard against
// reading a wrong, huge file whole.
constexpr size_t kMaxPictureBytes = 64u << 20;
}  // namespace

bool TrafficPicture::Save(const std::string& path, std::string& error) const {
    const std::string text = Serialize();
    if (platform::FileReplace(path.c_str(), text.data(), text.size())) return true;
    error = path + ": the picture could not be written";
    return false;
}

bool TrafficPicture::Load(const std::string& path, int64_t now, std::string& error) {
    Clear();
    std::string text;
    switch (ReadWholeFile(path, kMaxPictureBytes, text)) {
        case WholeFile::kRead: break;
        case WholeFile::kUnreadable: error = path + ": cannot be read"; return false;
        case WholeFile::kTooLarge: error = path + ": far too large for a traffic picture"; return false;
    }
    if (Restore(text, now, error)) return true;
    error = path + ": " + error;
    return false;
}

}  // namespace rdstmc
