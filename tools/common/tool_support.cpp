#include "tool_support.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "system.h"
#include "tcp.h"

namespace rdstmc::tools {

std::string BundledRecording() {
    const std::string beside = ProgramDirectory();
    const size_t up = beside.find_last_of("/\\");
    const std::string tree = up == std::string::npos ? std::string() : beside.substr(0, up);
    // The program's own tree first: a package unpacked or installed anywhere
    // finds its own copy, whatever the build machine's paths were.
    const std::string candidates[] = {
        beside.empty() ? std::string() : beside + "/" + RDSTMC_BUNDLED_RECORDING,
        tree.empty() ? std::string() : tree + "/share/rdstmc/" + RDSTMC_BUNDLED_RECORDING,
        std::string(RDSTMC_SOURCE_DATA_DIR) + "/" + RDSTMC_BUNDLED_RECORDING,
        std::string(RDSTMC_INSTALLED_DATA_DIR) + "/" + RDSTMC_BUNDLED_RECORDING,
    };
    for (const std::string& path : candidates) {
        std::error_code ignored;
        if (!path.empty() && std::filesystem::is_regular_file(PathOf(path), ignored)) return path;
    }
    return candidates[3];
}

bool IsLineSpeed(unsigned long baud) {
    static const unsigned long kRates[] = {50,      75,      110,     134,     150,     200,     300,    600,
                                           1200,    1800,    2400,    4800,    9600,    19200,   38400,  57600,
                                           115200,  230400,  460800,  500000,  576000,  921600,  1000000,
                                           1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};
    for (unsigned long rate : kRates) {
        if (rate == baud) return true;
    }
    return false;
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

bool ParseTcpName(const std::string& name, std::string& host, unsigned& port) {
    constexpr char kPrefix[] = "tcp:";
    if (name.compare(0, sizeof kPrefix - 1, kPrefix) != 0) return false;
    const size_t colon = name.rfind(':');
    unsigned long value = 0;
    if (colon < sizeof kPrefix || !ParseUnsigned(name.substr(colon + 1), value) || value == 0 || value > 65535) {
        return false;
    }
    host = name.substr(sizeof kPrefix - 1, colon - (sizeof kPrefix - 1));
    // An IPv6 address is written in brackets, as in a URL.
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    port = static_cast<unsigned>(value);
    return !host.empty();
}

std::string IsoUtc(long long utcSeconds) {
    const long long days = utcSeconds / 86400 - (utcSeconds % 86400 < 0);
    const long long second = utcSeconds - days * 86400;
    // The inverse of DaysFromCivil, on the same March-based years.
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = static_cast<long long>(yoe) + era * 400 + (month <= 2);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02dZ", year, month, day,
                  static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return text;
}

}  // namespace rdstmc::tools
