// The traffic picture kept in a file, through the library's own file layer
// (UTF-8 names on every system).
#include "platform/file.h"
#include "rdstmc_tmc.h"

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
    platform::File file = platform::FileOpenRead(path.c_str());
    if (!file.IsOpen()) {
        error = path + ": cannot be read";
        return false;
    }
    std::string text;
    char buffer[65536];
    long n;
    while ((n = platform::FileRead(file, buffer, sizeof buffer)) > 0 && text.size() <= kMaxPictureBytes) {
        text.append(buffer, static_cast<size_t>(n));
    }
    platform::FileClose(file);
    if (n < 0 || text.size() > kMaxPictureBytes) {
        error = path + (n < 0 ? ": cannot be read" : ": far too large for a traffic picture");
        return false;
    }
    if (Restore(text, now, error)) return true;
    error = path + ": " + error;
    return false;
}

}  // namespace rdstmc
