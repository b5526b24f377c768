#include "bench_host.h"

#include <stdlib.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "sim/common/simulated_host_copy.h"

namespace orbbench {

std::string defaultHostCopy(const char* label) {
    std::string pattern = std::string("/tmp/orbbench-") + label + ".XXXXXX";
    const char* folder = mkdtemp(pattern.data());
    if (folder == nullptr) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    const std::string root = std::string(folder) + "/host";
    std::string error;
    require(orbsim::copySimulatedHost(ORB_SOURCE_DIR "/sim/hosts/default",
                                      ORB_BINARY_DIR "/sim/overlay", root, error),
            error);
    writeText(root + "/etc/config/vex/orb/orb.conf",
              "{\"LoggingLevel\": \"Error\", \"EnableDebugLog\": false}\n");
    return root;
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::trunc);
    file << text;
    require(static_cast<bool>(file), "cannot write " + path);
}

void require(bool done, const std::string& error) {
    if (!done) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(2);
    }
}

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace orbbench
