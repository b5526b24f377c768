#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/controller_sysfs.h"  // getATADeviceNumberFromPath

// The Intel RAID platform (Intel Matrix Storage, RSTe, VROC) of the chipset SATA controller:
// its option ROM's firmware version as the platform's mdadm tool reports it, the SATA ports
// the server wires to the controller, and the drive bays behind those ports.

// One controller of an option ROM, as "mdadm --detail-platform" lists it.
struct orbIMSMControllerVersion {
    std::string controller;  // "/sys/devices/pci0000:00/0000:00:17.0 (SATA)"
    std::string version;     // "5.6.0.1009"; empty when the option ROM reports none
};

// Reads "mdadm --detail-platform" output: one block per option ROM, ended by an empty line,
// with "Version : " before the block's "... Controller : " lines. Each controller line is
// paired with the version of its own block; a block without a version line (the tool leaves
// it out for version 0.0.0.0) gives its controllers an empty version. Only the label before
// a line's first " : " is looked at, so a drive serial printed on a port line is never taken
// for a label.
std::vector<orbIMSMControllerVersion> parseIMSMPlatform(std::string_view output);

// The version paired with the first controller whose text contains pciLocation; empty when
// none does (and for an empty pciLocation).
std::string getIMSMVersionOfController(const std::vector<orbIMSMControllerVersion>& platform,
                                       const std::string& pciLocation);

// Runs the platform's mdadm (/usr/sbin/mdadm, else /sbin/mdadm; readable and executable)
// with --detail-platform and parses what it printed. False when the tool is missing or its
// run was cut short or could not start; each is logged.
bool readIMSMPlatform(std::vector<orbIMSMControllerVersion>& platform);

// The firmware version of the Intel RAID option ROM that drives the controller at pciLocation.
// The tool is run once per process (again only when an earlier run was cut short); empty when
// no version is known.
std::string getIMSMFirmwareVersion(const std::string& pciLocation);

// The SATA ports the server platform wires to the chipset controller: "PLATFAM-ALPHA" 8,
// "PLATFAM-BRAVO" and "PLATFAM-CHARLIE" 4; 0 (use the discovered ports) for any other
// platform, which is logged once.
int getMaxSupportedSATAPorts(const std::string& platformFamily);

// The bay of a drive behind the chipset controller: its ATA device number less the lowest ATA
// device number among the controller's ports (ports whose number is unknown, -1, do not
// count). With a platform port count the bay must lie below it; without one (0, an unknown
// platform) the drive's number must be one of the ports'. Logs the result; -1 when no bay
// can be given. disk, scsiLink and pciLocation only name the drive in the log.
int getDiskSlotNumberFromATADeviceNumber(const std::string& disk, const std::string& scsiLink,
                                         const std::string& pciLocation, int ataDeviceNumber,
                                         const std::vector<int>& portATADeviceNumbers,
                                         int platformPorts);
