#include "storage/imsm_platform.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <mutex>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/shell_command.h"

namespace {

const char* const kModule = "STOR_LB";

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The tool's path inside the root, or empty when neither place holds a runnable one.
std::string findMdadm() {
    for (const char* fixed : {"/usr/sbin/mdadm", "/sbin/mdadm"}) {
        std::string path = orbRootPath(fixed);
        if (access(path.c_str(), R_OK | X_OK) == 0) {
            return path;
        }
    }
    return {};
}

}  // namespace

std::vector<orbIMSMControllerVersion> parseIMSMPlatform(std::string_view output) {
    std::vector<orbIMSMControllerVersion> platform;
    std::string version;  // of the block being read
    while (!output.empty()) {
        const size_t end = output.find('\n');
        const std::string_view line = output.substr(0, end);
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);

        if (trimmed(line).empty()) {
            version.clear();  // an empty line ends the option ROM's block
            continue;
        }
        const size_t colon = line.find(" : ");
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view label = trimmed(line.substr(0, colon));
        const std::string_view value = trimmed(line.substr(colon + 3));
        if (label == "Platform") {
            version.clear();  // a new block, even without the empty line before it
        } else if (label == "Version") {
            version = std::string(value);
        } else if (endsWith(label, "Controller")) {
            platform.push_back({std::string(value), version});
        }
    }
    return platform;
}

std::string getIMSMVersionOfController(const std::vector<orbIMSMControllerVersion>& platform,
                                       const std::string& pciLocation) {
    if (pciLocation.empty()) {
        return {};
    }
    for (const orbIMSMControllerVersion& entry : platform) {
        if (entry.controller.find(pciLocation) != std::string::npos) {
            return entry.version;
        }
    }
    return {};
}

bool readIMSMPlatform(std::vector<orbIMSMControllerVersion>& platform) {
    platform.clear();
    const std::string tool = findMdadm();
    if (tool.empty()) {
        ORB_LOG_INFO(kModule,
                     "mdadm is not installed (/usr/sbin/mdadm, /sbin/mdadm); the Intel RAID "
                     "firmware version is not known.");
        return false;
    }
    // The line holds only the tool's own path: nothing a device reports goes into it.
    const std::string command = orbShellQuote(tool) + " --detail-platform 2>/dev/null";
    std::vector<std::string> pieces;
    const int status = orbRunShellCommand(command, pieces, 2048, ORB_SHELL_QUICK_DEADLINE);
    if (status == ORB_SHELL_NOT_STARTED || status == ORB_SHELL_CUT_SHORT) {
        ORB_LOG_ERROR(kModule, "popen(%s) failed: %d", command.c_str(), status);
        return false;
    }
    std::string output;
    for (const std::string& piece : pieces) {
        output += piece;
    }
    ORB_LOG_DEBUG(kModule, "mdadm output:\n%s\n", output.c_str());
    if (status != 0) {
        // Blocks it printed before failing on another option ROM are still good.
        ORB_LOG_WARNING(kModule, "%s ended with %s.", command.c_str(),
                        orbShellResultText(status).c_str());
    }
    platform = parseIMSMPlatform(output);
    return true;
}

std::string getIMSMFirmwareVersion(const std::string& pciLocation) {
    static std::mutex guard;
    static bool known = false;
    static std::vector<orbIMSMControllerVersion> platform;
    std::lock_guard<std::mutex> lock(guard);
    if (!known) {
        std::vector<orbIMSMControllerVersion> read;
        // A missing tool stays missing; a run cut short by a stop or its deadline is retried.
        known = readIMSMPlatform(read) || findMdadm().empty();
        platform = std::move(read);
    }
    return getIMSMVersionOfController(platform, pciLocation);
}

int getMaxSupportedSATAPorts(const std::string& platformFamily) {
    if (platformFamily == "PLATFAM-ALPHA") {
        return 8;
    }
    if (platformFamily == "PLATFAM-BRAVO" || platformFamily == "PLATFAM-CHARLIE") {
        return 4;
    }
    static std::atomic<bool> logged{false};
    if (!logged.exchange(true)) {
        ORB_LOG_INFO(kModule,
                     "No SATA port count is known for platform family [%s]; the discovered "
                     "ports are used.",
                     platformFamily.c_str());
    }
    return 0;
}

int getDiskSlotNumberFromATADeviceNumber(const std::string& disk, const std::string& scsiLink,
                                         const std::string& pciLocation, int ataDeviceNumber,
                                         const std::vector<int>& portATADeviceNumbers,
                                         int platformPorts) {
    // A port whose ATA device number could not be read (-1) says nothing about the range.
    int base = INT_MAX;
    for (int number : portATADeviceNumbers) {
        if (number >= 0) {
            base = std::min(base, number);
        }
    }
    int offset = -1;
    if (base != INT_MAX && ataDeviceNumber >= base) {
        offset = ataDeviceNumber - base;
        const bool onPort =
            platformPorts > 0 ? offset < platformPorts
                              : std::find(portATADeviceNumbers.begin(), portATADeviceNumbers.end(),
                                          ataDeviceNumber) != portATADeviceNumbers.end();
        offset = onPort ? offset : -1;
    }
    if (offset < 0) {
        ORB_LOG_ERROR(kModule,
                      "Unable to determine disk slot # from ATA device numbers. (%s, %s, %s, %d, "
                      "%d)",
                      disk.c_str(), scsiLink.c_str(), pciLocation.c_str(), ataDeviceNumber,
                      base == INT_MAX ? -1 : base);
        return -1;
    }
    ORB_LOG_INFO(kModule,
                 "Disk %s found @ Offset [%d]; (ATA device number: [%d]; ATA device base: [%d])",
                 disk.c_str(), offset, ataDeviceNumber, base);
    return offset;
}
