// Replays fuzz inputs without libFuzzer: each argument is a file or a folder of files, and
// every file is handed to the target once.
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

int replayFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A fresh allocation of exactly the input's size, so that any read past its end is caught.
    std::vector<uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
    return 0;
}

int replay(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        std::fprintf(stderr, "cannot find %s\n", path.c_str());
        return 1;
    }
    if (!S_ISDIR(info.st_mode)) {
        return replayFile(path);
    }
    DIR* folder = opendir(path.c_str());
    if (folder == nullptr) {
        return 1;
    }
    int failures = 0;
    int count = 0;
    while (dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        failures += replay(path + "/" + name);
        ++count;
    }
    closedir(folder);
    std::printf("replayed %d inputs from %s\n", count, path.c_str());
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        failures += replay(argv[i]);
    }
    return failures == 0 ? 0 : 1;
}
