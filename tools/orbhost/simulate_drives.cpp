// --simulate: the drives' SCSI generic devices answer from their descriptions in the
// simulated host (dev/sgN) instead of the SG_IO ioctl.
#include "orbhost.h"
#include "sim/drives/simulated_drives.h"

namespace {

void installDrives(const orbhost::Options&) {
    orbsim::installSimulatedDrives();
}

const orbhost::SimulationStep kSimulatedDrives("drives", installDrives);

}  // namespace
