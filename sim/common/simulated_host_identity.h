#pragma once

// The kernel identity of a simulated host: its uname fields and the IPv4 address of each of its
// network interfaces, read on every call from the file "identity" at the root of the host
// (ORB_ROOT), so that the inventory shows the simulated ESXi host and not the build machine.
//
//   uname sysname VMkernel             one line per uname field (sysname, nodename, release,
//   uname nodename esx-01.example      version, machine); the value is the rest of the line
//   ipv4 vmk0 192.0.2.10               one line per interface address, in the kernel's order
//
// A missing file or a missing uname field reads as a kernel that cannot tell.

namespace orbsim {

// Points liborb's uname and interface-address calls at the simulated host, or back at the
// kernel.
void installSimulatedHostIdentity();
void removeSimulatedHostIdentity();

}  // namespace orbsim
