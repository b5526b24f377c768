#pragma once

#include <cstdint>
#include <string>

// What controller discovery learns about one SCSI host from sysfs: the PCI identity of the
// card behind it and the card's PCI address. Paths are already resolved through orbRootPath.

// The card's identity from the vendor, device, subsystem_vendor and subsystem_device files
// beside the host's device (or one level higher, for hosts that sit below an ATA port).
// chipset = device << 16 | vendor; board = subsystem device << 16 | subsystem vendor.
// False when neither level holds all four as 16-bit hexadecimal values.
bool orbReadScsiHostPciIdentity(const std::string& hostFolder, uint32_t& chipset, uint32_t& board);

// The PCI address in a device link's target: the last component that has the shape of one
// ("../../../0000:5d:00.0/0000:5e:00.0/host9" gives "0000:5e:00.0"). Empty when none has.
std::string orbPciLocationInLink(const std::string& target);
