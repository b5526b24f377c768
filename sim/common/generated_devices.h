#pragma once

#include <string>

// More devices of one family on a copy of the default simulated host, for the large host and
// the benchmarks. Each writer changes only the family's own description below root and keeps
// the default host's devices of that family first, so that a scenario written for the default
// host still finds them. The extra devices are not added to "localcli hardware pci list" or
// the SMBIOS table unless said otherwise.
namespace orbsim {

// "localcli network nic list" with `ports` ports (vmnic0, ...) on the host's three PCI
// functions in turn, every fifth port from vmnic1 on with its link down, and a "network nic
// get" that answers for any port of the listing (its link read from the listing, as the
// default host's does, so that scenario link changes show in both).
bool writeNicPorts(const std::string& root, int ports, std::string& error);

// The Emulex HBA API library's description with `adapters` dual-port LPe32002 adapters: the
// host's own in slot 3 (vmhba3), then copies on buses 87h, 88h, ... as vmhba96, vmhba97, ...
// (names clear of the large host's storage controllers).
std::string fcAdapterDescription(int adapters);
// The "localcli hardware pci list" blocks of the copies (all but the first adapter).
std::string fcAdapterPciBlocks(int adapters);
// Writes both: the description, and the copies' blocks appended to the host's PCI list.
bool writeFcAdapters(const std::string& root, int adapters, std::string& error);

// NVMe adapters for esxcli-nvme: the host's vmhba4 and vmhba5, then copies of vmhba4 (each
// with a serial number of its own and two namespaces) as vmhba200, vmhba201, ... up to
// `drives` drives in all.
bool writeNvmeDrives(const std::string& root, int drives, std::string& error);

// The storage library's description with `drives` drives behind the MegaRAID controller:
// the host's five (and its two volumes), then unconfigured SAS drives in the following slots
// of enclosure 252.
bool writeMegaraidDrives(const std::string& root, int drives, std::string& error);

}  // namespace orbsim
