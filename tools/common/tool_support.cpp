#include "tool_support.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "system.h"

namespace rdstmc::tools {

std::string BundledRecording() {
    const std::string beside = ProgramDirectory();
    const std::string candidates[] = {
        std::string(RDSTMC_SOURCE_DATA_DIR) + "/" + RDSTMC_BUNDLED_RECORDING,
        beside.empty() ? std::string() : beside + "/" + RDSTMC_BUNDLED_RECORDING,
        std::string(RDSTMC_INSTALLED_DATA_DIR) + "/" + RDSTMC_BUNDLED_RECORDING,
    };
    for (const std::string& path : candidates) {
        std::error_code ignored;
        if (!path.empty() && std::filesystem::is_regular_file(PathOf(path), ignored)) return path;
    }
    return candidates[2];
}

bool ParseDecimal(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool ParseUnsigned(const std::string& text, unsigned long& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    value = v;
    return true;
}

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

}  // namespace rdstmc::tools
