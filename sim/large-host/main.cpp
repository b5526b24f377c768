// Writes a simulated host with many Adaptec SmartRAID controllers:
//   orb_large_host DIR CONTROLLERS DRIVES_PER_CONTROLLER
// DIR must not exist yet or be empty. The service runs against it with ORB_ROOT=DIR and
// DIR/bin first on PATH, as against a copy of sim/hosts/default.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/common/large_host.h"

namespace {

bool count(const char* text, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < 1 || parsed > 100000) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    orbsim::LargeHostShape shape;
    if (argc != 4 || !count(argv[2], shape.controllers) ||
        !count(argv[3], shape.drivesPerController)) {
        std::fprintf(stderr, "usage: orb_large_host DIR CONTROLLERS DRIVES_PER_CONTROLLER\n");
        return 2;
    }
    shape.defaultHost = std::string(ORB_SOURCE_DIR) + "/sim/hosts/default";
    shape.layout = std::string(ORB_SOURCE_DIR) + "/sim/scsi-tree/default.layout";
    shape.overlay = std::string(ORB_BINARY_DIR) + "/sim/overlay";
    std::string error;
    if (!orbsim::writeLargeHost(shape, argv[1], error)) {
        std::fprintf(stderr, "orb_large_host: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
