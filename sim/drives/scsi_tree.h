#pragma once

#include <string>

// Writes the SCSI midlayer's sysfs trees of a simulated host (sys/devices/..., with the
// links of sys/class/scsi_host, sys/class/scsi_device, sys/class/scsi_generic and sys/block)
// from a layout file and the host's drive descriptions (dev/sgN). The drives' inquiry and
// VPD attributes hold the very bytes the simulated drive answers over SG_IO.
//
// Layout, one item a line ('#' starts a comment):
//   pci <address> <parent path below sys/devices> <vendor> <device> <subvendor> <subdevice> <class>
//   host <N> <pci address> [ata=<n>] [sas] [<attribute>=<value>...]
//   drive <sgN> <H:C:T:L> <sdX> [<attribute>=<value>...]
// A host with ata=<n> hangs below the ATA port ata<n>; a "sas" host puts its drives behind
// SAS ports and end devices as a SAS HBA driver does. Attribute values hold no blanks; '_'
// in a value stands for one.

namespace orbsim {

bool writeScsiTree(const std::string& layoutPath, const std::string& hostRoot, std::string& error);

}  // namespace orbsim
