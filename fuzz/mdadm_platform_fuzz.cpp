// The mdadm platform report: any output gives controller/version pairs whose texts are pieces
// of single lines of it, a version lookup stays within those pairs, and the bay rule never
// gives a bay outside the platform's ports whatever ATA numbers the ports report.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/imsm_platform.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view output(reinterpret_cast<const char*>(data), size);
    const std::vector<orbIMSMControllerVersion> platform = parseIMSMPlatform(output);
    for (const orbIMSMControllerVersion& entry : platform) {
        if (entry.controller.find('\n') != std::string::npos ||
            entry.version.find('\n') != std::string::npos ||
            output.find(entry.controller) == std::string_view::npos ||
            output.find(entry.version) == std::string_view::npos) {
            __builtin_trap();
        }
        const std::string version = getIMSMVersionOfController(platform, entry.controller);
        if (entry.controller.empty() ? !version.empty() : version.size() > output.size()) {
            __builtin_trap();
        }
    }
    getATADeviceNumberFromPath(output);

    // The same bytes as ATA device numbers: the drive's, the platform's port count, the ports'.
    const int ata = orbFuzzTake<int8_t>(data, size);
    const int platformPorts = orbFuzzTake<uint8_t>(data, size) % 9;
    std::vector<int> ports;
    while (size > 0 && ports.size() < 16) {
        ports.push_back(orbFuzzTake<int8_t>(data, size));
    }
    const int bay = getDiskSlotNumberFromATADeviceNumber("sda", "0:0:0:0", "0000:00:17.0", ata,
                                                         ports, platformPorts);
    if (bay < -1 || (bay >= 0 && platformPorts > 0 && bay >= platformPorts)) {
        __builtin_trap();
    }
    return 0;
}
