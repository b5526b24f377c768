#pragma once

#include <time.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/shell_command.h"

// Shared operations and cached process-wide values: platform identity from SMBIOS, the map
// from PCI addresses to geographic slot IDs (GeoIDs), host identity, time texts, boot time,
// and the ESXi command-line tools run through the shell.
class orbUtils {
  public:
    // Platform identity from the SMBIOS System Information record; empty without SMBIOS.
    static std::string getPlatformFamily();
    static std::string getSystemManufacturer();

    // GeoIDs of PCI addresses, from the SMBIOS slot and onboard-device records. The map is
    // (re)built by initGeoIDMap, or by the first lookup; records without a bus address give no
    // entry. getGeoIDFromDesignation finds a GeoID of the platform family's form standing on its
    // own inside a slot designation ("PCIe Slot 1 [r001u01p1i01]"), or gives "NotAvailable".
    static void initGeoIDMap();
    static std::string getGeoIDStr(const std::string& pciAddress);  // or "NotAvailable"
    static std::vector<std::string> getGeoIDInfo(const std::string& pciAddress);
    static std::string getGeoIDFromDesignation(const std::string& designation);
    // The same for a given platform family.
    static std::string geoIDInDesignation(const std::string& designation,
                                          const std::string& family);

    // Host identity.
    static std::string readHostName();
    static std::string readHostOSVersion();
    static std::string readHostOSName();
    static std::string readHostOSDescription();
    static int getOSType(int* osType);
    static std::vector<std::string> getIPAddresses();
    static std::vector<std::string> updateAndFetchIPAddresses();
    static std::string getPrimaryIPAddress();

    // Time texts: "%F %T" for events and records, and the log-line form.
    static std::string getTime();
    static std::string getDateTime();
    static void setSystemCurrentBootTime(long bootTime);
    static long getSystemCurrentBootTime();
    static void diffTimespec(const timespec& start, const timespec& end, timespec& difference);

    // ESXi command-line tools. The command line is run by the shell as given: callers quote
    // (orbShellQuote) or validate every piece of outside text in it. The output comes back in
    // pieces of at most 2047 characters, normally one line (with its line feed) each; empty
    // when the command was cut short (see core/shell_command.h).
    static std::vector<std::string> executeCliCommandAndFetchOutput(
        const std::string& command, std::chrono::milliseconds deadline = ORB_SHELL_DEADLINE);
    // The text after the first ": " of the first match of pattern (POSIX extended syntax,
    // matched line by line: "." and "[^x]" never cross a line end) in text; empty when nothing
    // matches.
    static std::string getValueByRegexFromLocalcli(const std::string& text,
                                                   const std::string& pattern);
    // Every non-empty line, without its surrounding blanks and line end, preceded by a comma,
    // the lines still separated by line feeds: ",Vendor ID: 0x8086\n,Device ID: 0x2826". So
    // a pattern such as ",Device ID: \S+" finds a label at the start of a line and its value
    // ends with the line.
    static std::string parseEsxiCommandOutputAsCsv(const std::vector<std::string>& lines);
    // Removes blanks, tabs and line ends at both ends.
    static void trimLeadingTrailingSpaces(const std::string& text, std::string& trimmed);

    // PCI IDs of a device from the hardware list file, as the texts listed there ("0x8086");
    // an ID that cannot be found is empty.
    static std::pair<std::string, std::string> get_vendor_device(const std::string& pciAddress);
    static std::pair<std::string, std::string> get_subvendor_subdevice(
        const std::string& pciAddress);

    // True when text has the form "%04x:%02x:%02x.%x" (lower-case hex, 12 characters).
    static bool isValidPciAddress(const std::string& pciAddress);
};
