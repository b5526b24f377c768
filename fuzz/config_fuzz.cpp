// Configuration reader: any file contents give a usable configuration.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string contents(reinterpret_cast<const char*>(data), size);
    orbConfig config = orbConfig::fromContents(contents);
    for (int type = -1; type < 9; ++type) {
        (void)config.isResourceEnabled(type);
    }
    if (config.getInventoryPushIntervalSettings() <= 0 || config.getInventoryQueryInterval() <= 0 ||
        config.getDoorBellSleepInterval() <= 0 || config.getrefreshInterval("HostOSInfo") <= 0) {
        __builtin_trap();
    }
    return 0;
}
