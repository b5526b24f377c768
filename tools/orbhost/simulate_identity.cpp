// --simulate: uname and the interface list answer from the simulated host's identity file,
// so the inventory names the simulated ESXi host and not the machine orbhost runs on.
#include "orbhost.h"
#include "sim/common/simulated_host_identity.h"

namespace {

void installIdentity(const orbhost::Options&) {
    orbsim::installSimulatedHostIdentity();
}

const orbhost::SimulationStep kSimulatedIdentity("identity", installIdentity);

}  // namespace
