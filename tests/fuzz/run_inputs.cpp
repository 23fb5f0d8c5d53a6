// Runs a fuzz entry point over saved inputs (files, or every file in a
// directory) without the fuzzing engine: the seeds and the inputs that once
// failed stay regression tests in every build.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int RunFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0, inputs = 0;
    for (int i = 1; i < argc; ++i) {
        struct stat st;
        if (stat(argv[i], &st) != 0) {
            std::fprintf(stderr, "no such input %s\n", argv[i]);
            ++failures;
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            failures += RunFile(argv[i]);
            ++inputs;
            continue;
        }
        DIR* dir = opendir(argv[i]);
        while (dirent* e = dir ? readdir(dir) : nullptr) {
            if (e->d_name[0] == '.') continue;
            failures += RunFile(std::string(argv[i]) + "/" + e->d_name);
            ++inputs;
        }
        if (dir) closedir(dir);
    }
    std::printf("%d inputs run\n", inputs);
    return failures == 0 && inputs > 0 ? 0 : 1;
}
