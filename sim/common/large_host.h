#pragma once

#include <string>

namespace orbsim {

// A simulated host with many storage controllers, for measuring how the service copes with
// hundreds of drives: a copy of the default host whose Adaptec SmartRAID in slot 1 (and its
// drives) gives way to `controllers` Adaptec SmartRAID 3154-16i controllers, each at a PCI
// address of its own, in a PCI Express slot of its own (slot 1, then 8, 9, ...), with two
// SCSI hosts (ports) and `drivesPerController` SAS and SATA drives in the bays of one
// backplane, the first half behind the first port. The other families grow on request (see
// generated_devices.h); a count of 0 keeps the default host's devices of that family as they
// are, as it keeps the chipset SATA controller and its drives.
struct LargeHostShape {
    std::string defaultHost;      // sim/hosts/default
    std::string layout;           // sim/scsi-tree/default.layout
    std::string overlay;          // the build's sim/overlay; may be empty
    int controllers = 1;          // 1 to 90
    int drivesPerController = 8;  // 1 to 1000
    int nicPorts = 0;             // network ports in all
    int fcAdapters = 0;           // dual-port Fibre Channel adapters in all
    int nvmeDrives = 0;           // NVMe drives in all
    int megaraidDrives = 0;       // drives behind the MegaRAID controller
};

// Writes the host into root, which must not exist yet or be empty: the drive descriptions
// (dev/sgN), the SCSI sysfs tree (from the layout it keeps at root/.large-host.layout), the
// "localcli hardware pci list" answer and the SMBIOS table with the slots, then the other
// families' descriptions. False, with the reason, on failure.
bool writeLargeHost(const LargeHostShape& shape, const std::string& root, std::string& error);

}  // namespace orbsim
