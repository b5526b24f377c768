// Writes a simulated host with many Adaptec SmartRAID controllers, and on request more network
// ports, Fibre Channel adapters, NVMe drives and MegaRAID drives than the default host has:
//   orb_large_host DIR CONTROLLERS DRIVES_PER_CONTROLLER [--nic-ports N] [--fc-adapters N]
//                  [--nvme-drives N] [--megaraid-drives N]
// DIR must not exist yet or be empty. The service runs against it with ORB_ROOT=DIR and
// DIR/bin first on PATH, as against a copy of sim/hosts/default.
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

bool options(int argc, char** argv, orbsim::LargeHostShape& shape) {
    if (argc < 4 || argc % 2 != 0 || !count(argv[2], shape.controllers) ||
        !count(argv[3], shape.drivesPerController)) {
        return false;
    }
    for (int i = 4; i < argc; i += 2) {
        int* value = std::strcmp(argv[i], "--nic-ports") == 0         ? &shape.nicPorts
                     : std::strcmp(argv[i], "--fc-adapters") == 0     ? &shape.fcAdapters
                     : std::strcmp(argv[i], "--nvme-drives") == 0     ? &shape.nvmeDrives
                     : std::strcmp(argv[i], "--megaraid-drives") == 0 ? &shape.megaraidDrives
                                                                      : nullptr;
        if (value == nullptr || !count(argv[i + 1], *value)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    orbsim::LargeHostShape shape;
    if (!options(argc, argv, shape)) {
        std::fprintf(stderr,
                     "usage: orb_large_host DIR CONTROLLERS DRIVES_PER_CONTROLLER [--nic-ports N] "
                     "[--fc-adapters N] [--nvme-drives N] [--megaraid-drives N]\n");
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
