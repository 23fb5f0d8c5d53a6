#include "ports.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace rdstmc::monitor {
namespace {

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) {
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        }
        closedir(d);
    }
    // ttyS2 before ttyS10: by prefix, then by number.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const size_t da = a.find_first_of("0123456789"), db = b.find_first_of("0123456789");
        if (a.compare(0, da, b, 0, db) != 0 || da == std::string::npos || db == std::string::npos) return a < b;
        return std::atol(a.c_str() + da) < std::atol(b.c_str() + db);
    });
    return names;
}

bool HasPrefix(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Where the devices are; tests point it at a directory of their own.
std::string DeviceDir() {
    const char* dir = std::getenv("RDSTMC_DEVICE_DIR");
    return dir && *dir ? dir : "/dev";
}

// The group that owns the device, which a user joins to be allowed it.
std::string OwningGroup(const std::string& path) {
    struct stat st;
    const group* g = stat(path.c_str(), &st) == 0 ? getgrgid(st.st_gid) : nullptr;
    return g ? g->gr_name : "dialout";
}

// Whether this user can open the device, in words; "" when it has no
// hardware behind it (the kernel lists ttyS0-31 whether or not UARTs exist).
std::string Usability(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            const std::string owner = OwningGroup(path);
            return "no permission: join the '" + owner + "' group (sudo usermod -aG " + owner +
                   " $USER, then log in again)";
        }
        if (error == EBUSY) return "in use by another program";
        if (error == EIO || error == ENXIO || error == ENODEV) return "";
        return std::strerror(error);
    }
    serial_struct info;
    const bool phantom = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
    close(fd);
    return phantom ? "" : "can be opened";
}

}  // namespace

int ListPorts(std::FILE* out) {
    const std::string deviceDir = DeviceDir();
    int listed = 0;
    const std::string byId = deviceDir + "/serial/by-id";
    const std::vector<std::string> stable = Entries(byId);
    if (!stable.empty()) std::fprintf(out, "Stable names (they stay the same in any USB socket):\n");
    for (const std::string& name : stable) {
        const std::string path = byId + "/" + name;
        char target[PATH_MAX];
        const char* resolved = realpath(path.c_str(), target);
        std::fprintf(out, "  %s\n      -> %s\n", path.c_str(), resolved ? resolved : "(missing)");
    }
    std::vector<std::string> devices;
    for (const std::string& name : Entries(deviceDir)) {
        if (HasPrefix(name, "ttyUSB") || HasPrefix(name, "ttyACM") || HasPrefix(name, "ttyS")) devices.push_back(name);
    }
    // USB adapters first: a receiver is most likely there.
    const auto rank = [](const std::string& n) { return HasPrefix(n, "ttyUSB") ? 0 : HasPrefix(n, "ttyACM") ? 1 : 2; };
    std::stable_sort(devices.begin(), devices.end(),
                     [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    bool headed = false;
    for (const std::string& name : devices) {
        const std::string path = deviceDir + "/" + name;
        const std::string state = Usability(path);
        if (state.empty()) continue;
        if (!headed) std::fprintf(out, "Serial devices:\n");
        headed = true;
        std::fprintf(out, "  %-16s %s\n", path.c_str(), state.c_str());
        ++listed;
    }
    if (listed == 0) {
        std::fprintf(out, "No serial device found. Plug the receiver in: USB adapters appear as %s/ttyUSB* or %s/ttyACM*.\n",
                     deviceDir.c_str(), deviceDir.c_str());
    }
    return listed;
}

std::string ExplainPortFailure(const std::string& device, unsigned baud, TmcError why) {
    switch (why) {
        case TmcErrorNotFound:
            return device + ": no such device. Is the receiver plugged in? USB adapters appear as "
                            "/dev/ttyUSB* or /dev/ttyACM*; stable names are under /dev/serial/by-id/.";
        case TmcErrorPermissionDenied: {
            const std::string owner = OwningGroup(device);
            return device + ": permission denied. Add yourself to the '" + owner +
                   "' group (sudo usermod -aG " + owner + " $USER), then log in again.";
        }
        case TmcErrorInUse: return device + ": in use by another program; close it and try again.";
        case TmcErrorNotADevice: return device + ": not a serial device.";
        case TmcErrorBadRate:
            return device + ": cannot be used at " + std::to_string(baud) + " baud: the adapter does not support it.";
        default: return device + ": " + TmcErrorText(why) + ".";
    }
}

}  // namespace rdstmc::monitor
