#pragma once

#include <string>

namespace orbsim {

// A simulated host with many storage controllers, for measuring how the service copes with
// hundreds of drives: a copy of the default host whose Adaptec SmartRAID in slot 1 (and its
// drives) gives way to `controllers` Adaptec SmartRAID 3154-16i controllers, each at a PCI
// address of its own, in a PCI Express slot of its own (slot 1, then 8, 9, ...), with two
// SCSI hosts (ports) and `drivesPerController` SAS and SATA drives in the bays of one
// backplane, the first half behind the first port. Everything else of the default host (the
// chipset SATA controller and its drives, the MegaRAID, the Fibre Channel HBA, the network
// ports, the NVMe drive) stays as it is.
struct LargeHostShape {
    std::string defaultHost;      // sim/hosts/default
    std::string layout;           // sim/scsi-tree/default.layout
    std::string overlay;          // the build's sim/overlay; may be empty
    int controllers = 1;          // 1 to 90
    int drivesPerController = 8;  // 1 to 1000
};

// Writes the host into root, which must not exist yet or be empty: the drive descriptions
// (dev/sgN), the SCSI sysfs tree (from the layout it keeps at root/.large-host.layout), the
// "localcli hardware pci list" answer and the SMBIOS table with the slots. False, with the
// reason, on failure.
bool writeLargeHost(const LargeHostShape& shape, const std::string& root, std::string& error);

}  // namespace orbsim
