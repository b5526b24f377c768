// Writes the SMBIOS device-file image of a simulated host, or checks a committed one.
//   orb_smbios_gen HOST OUTPUT           write the image of HOST (default, bravo) to OUTPUT
//   orb_smbios_gen --compare HOST FILE   exit 1 unless FILE holds exactly the image of HOST

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/common/smbios_builder.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: orb_smbios_gen HOST OUTPUT\n"
                 "       orb_smbios_gen --compare HOST FILE\n"
                 "HOST is default or bravo\n");
    return 2;
}

int compare(const std::vector<uint8_t>& image, const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "orb_smbios_gen: cannot read %s\n", path);
        return 1;
    }
    std::vector<uint8_t> committed((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    size_t common = std::min(image.size(), committed.size());
    for (size_t i = 0; i < common; ++i) {
        if (image[i] != committed[i]) {
            std::fprintf(stderr,
                         "orb_smbios_gen: %s differs at byte %zu (0x%02x, generated 0x%02x); "
                         "regenerate it\n",
                         path, i, committed[i], image[i]);
            return 1;
        }
    }
    if (image.size() != committed.size()) {
        std::fprintf(stderr, "orb_smbios_gen: %s holds %zu bytes, generated %zu; regenerate it\n",
                     path, committed.size(), image.size());
        return 1;
    }
    std::printf("%s matches the generated table (%zu bytes)\n", path, image.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool compareMode = argc == 4 && std::strcmp(argv[1], "--compare") == 0;
    if (argc != 3 && !compareMode) {
        return usage();
    }
    const char* host = argv[compareMode ? 2 : 1];
    const char* path = argv[compareMode ? 3 : 2];
    std::vector<uint8_t> image = orbsim::smbiosImageForHost(host);
    if (image.empty()) {
        return usage();
    }
    if (compareMode) {
        return compare(image, path);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "orb_smbios_gen: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
