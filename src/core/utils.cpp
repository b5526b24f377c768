#include "core/utils.h"

#include <errno.h>
#include <regex.h>
#include <string.h>

#include <atomic>
#include <cctype>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/shell_command.h"
#include "core/time_text.h"

namespace {

constexpr char kTag[] = "ORB_UTILS";
constexpr char kHardwareList[] = "/opt/vex/orb/data/orb_hwlist.txt";
// fgets reads at most one less than this: pieces of up to 2047 characters.
constexpr size_t kCommandChunk = 2048;

std::atomic<long> systemCurrentBootTime{0};

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

struct CompiledRegex {
    regex_t expression;
    int status;
    CompiledRegex(const std::string& pattern, int flags)
        : status(regcomp(&expression, pattern.c_str(), flags)) {}
    ~CompiledRegex() {
        if (status == 0) {
            regfree(&expression);
        }
    }
    CompiledRegex(const CompiledRegex&) = delete;
    CompiledRegex& operator=(const CompiledRegex&) = delete;
    std::string errorText() const {
        char text[256];
        regerror(status, &expression, text, sizeof(text));
        return text;
    }
};

// The two IDs of a device named by the labels of its hardware-list lines ("Vendor ID",
// "Device ID" or "SubVendor ID", "SubDevice ID"), as "0x" and four digits, each empty when
// the list has no such line for the address.
std::pair<std::string, std::string> idsFromHardwareList(const std::string& pciAddress,
                                                        const std::string& firstLabel,
                                                        const std::string& secondLabel,
                                                        const char* firstName,
                                                        const char* secondName) {
    // The address goes into the awk program unquoted, so only the strict address form may
    // reach the shell.
    if (!orbUtils::isValidPciAddress(pciAddress)) {
        ORB_LOG_ERROR(kTag, "Invalid PCI address [%s]; no IDs looked up in the hardware list.",
                      pciAddress.c_str());
        return {};
    }
    std::string command = "cat " + orbShellQuote(orbRootPath(kHardwareList)) + " | awk '/" +
                          pciAddress + "/,/^$/' | grep -w '" + firstLabel + ":\\|" + secondLabel +
                          ":'";
    std::string csv = orbUtils::parseEsxiCommandOutputAsCsv(
        orbUtils::executeCliCommandAndFetchOutput(command, ORB_SHELL_QUICK_DEADLINE));
    std::string first =
        orbUtils::getValueByRegexFromLocalcli(csv, "," + firstLabel + ": 0x[A-Za-z0-9]{4}");
    std::string second =
        orbUtils::getValueByRegexFromLocalcli(csv, "," + secondLabel + ": 0x[A-Za-z0-9]{4}");
    ORB_LOG_DEBUG(kTag, "%s = %s, %s = %s", firstName, first.c_str(), secondName, second.c_str());
    if (first.empty()) {
        ORB_LOG_WARNING(kTag, "Cound not fetch %s for %s", firstName, pciAddress.c_str());
    }
    if (second.empty()) {
        ORB_LOG_WARNING(kTag, "Cound not fetch %s for %s", secondName, pciAddress.c_str());
    }
    return {first, second};
}

}  // namespace

std::string orbUtils::getTime() {
    return orbTimestampText();
}

std::string orbUtils::getDateTime() {
    return orbLogTimeText();
}

void orbUtils::setSystemCurrentBootTime(long bootTime) {
    systemCurrentBootTime.store(bootTime);
}

long orbUtils::getSystemCurrentBootTime() {
    return systemCurrentBootTime.load();
}

void orbUtils::diffTimespec(const timespec& start, const timespec& end, timespec& difference) {
    difference.tv_sec = end.tv_sec - start.tv_sec;
    difference.tv_nsec = end.tv_nsec - start.tv_nsec;
    if (difference.tv_nsec < 0) {
        difference.tv_sec -= 1;
        difference.tv_nsec += 1000000000L;
    }
}

int orbUtils::getOSType(int* osType) {
    if (osType != nullptr) {
        *osType = 104;
    }
    return 1;
}

std::vector<std::string> orbUtils::executeCliCommandAndFetchOutput(
    const std::string& command, std::chrono::milliseconds deadline) {
    ORB_LOG_DEBUG(kTag, "The command is %s", command.c_str());
    std::vector<std::string> output;
    if (orbRunShellCommand(command, output, kCommandChunk, deadline) == ORB_SHELL_NOT_STARTED &&
        output.empty()) {
        // The runner has logged why; errno no longer tells.
        ORB_LOG_ERROR(kTag, "popen() failed! : %s",
                      orbShellResultText(ORB_SHELL_NOT_STARTED).c_str());
        return {};
    }
    return output;
}

std::string orbUtils::getValueByRegexFromLocalcli(const std::string& text,
                                                  const std::string& pattern) {
    CompiledRegex regex(pattern, REG_EXTENDED | REG_NEWLINE);
    if (regex.status != 0) {
        ORB_LOG_ERROR(kTag, "Error Compiling Regex, Return Value: %d, Error Info: %s", regex.status,
                      regex.errorText().c_str());
        return std::string();
    }
    regmatch_t match;
    if (regexec(&regex.expression, text.c_str(), 1, &match, 0) != 0) {
        ORB_LOG_DEBUG(kTag, "Error detecting valueType : %s", pattern.c_str());
        return std::string();
    }
    std::string matched = text.substr(static_cast<size_t>(match.rm_so),
                                      static_cast<size_t>(match.rm_eo - match.rm_so));
    size_t separator = matched.find(": ");
    if (matched.empty() || separator == std::string::npos) {
        ORB_LOG_DEBUG(kTag, "Issue in identifying details from localcli output : %s",
                      pattern.c_str());
        return std::string();
    }
    return matched.substr(separator + 2);
}

std::string orbUtils::parseEsxiCommandOutputAsCsv(const std::vector<std::string>& lines) {
    std::string csv;
    for (const std::string& line : lines) {
        std::string field;
        trimLeadingTrailingSpaces(line, field);
        if (field.empty()) {
            continue;
        }
        if (!csv.empty()) {
            csv += '\n';
        }
        csv += ',';
        csv += field;
    }
    return csv;
}

void orbUtils::trimLeadingTrailingSpaces(const std::string& text, std::string& trimmed) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) {
        ++first;
    }
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) {
        --last;
    }
    trimmed = text.substr(first, last - first);
}

std::pair<std::string, std::string> orbUtils::get_vendor_device(const std::string& pciAddress) {
    return idsFromHardwareList(pciAddress, "Vendor ID", "Device ID", "vendorId", "deviceId");
}

std::pair<std::string, std::string> orbUtils::get_subvendor_subdevice(
    const std::string& pciAddress) {
    return idsFromHardwareList(pciAddress, "SubVendor ID", "SubDevice ID", "subVendorId",
                               "subDeviceId");
}

bool orbUtils::isValidPciAddress(const std::string& pciAddress) {
    static const char kShape[] = "xxxx:xx:xx.x";
    if (pciAddress.size() != sizeof(kShape) - 1) {
        return false;
    }
    for (size_t i = 0; i < pciAddress.size(); ++i) {
        if (kShape[i] == 'x' ? !isHexDigit(pciAddress[i]) : pciAddress[i] != kShape[i]) {
            return false;
        }
    }
    return true;
}
