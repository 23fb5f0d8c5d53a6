#include "support/process_support.h"

#include <dirent.h>
#include <time.h>
#include <unistd.h>

namespace rdstmc::test {
namespace {

int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.') ++n;
        }
        closedir(d);
    }
    return n;
}

}  // namespace

double ProcessCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

int ThreadCount() { return CountEntries("/proc/self/task"); }
// The directory stream itself holds one descriptor while counting.
int OpenDescriptorCount() { return CountEntries("/proc/self/fd") - 1; }

}  // namespace rdstmc::test
