#pragma once

#include <string>

namespace orbsim {

// Makes a working copy of a simulated host (sim/hosts/<name>) at root, for the service to run
// against with ORB_ROOT set to it. A link that stays inside the host (the sysfs trees are made
// of them) is copied as a link, so that the service can read it as it would on ESXi; a link
// that leaves the host (the ESXi tools of bin/) is replaced by a copy of what it points to.
// Then the build's overlay (stand-ins built from sim/, such as shared objects, at their paths
// inside a host) is laid over the copy, when there is one. False, with the reason, on failure.
bool copySimulatedHost(const std::string& hostTree, const std::string& overlay,
                       const std::string& root, std::string& error);

}  // namespace orbsim
