#include <memory>

#include "orbhost.h"
#include "report/ipmi_utils.h"
#include "sim/rmc/simulated_rmc.h"

namespace {

std::shared_ptr<orbsim::SimulatedRMC>& installedRMC() {
    static std::shared_ptr<orbsim::SimulatedRMC> rmc;
    return rmc;
}

// With --simulate every command and door-bell poll of the service goes to an RMC in this
// process; the scenario (--ring-doorbell-at among its actions) changes it during the run.
// Its record goes to the file ORB_SIM_RMC_LOG names, not to memory: a run may last for days.
void installSimulatedRMC(const orbhost::Options&) {
    installedRMC() = std::make_shared<orbsim::SimulatedRMC>();
    installedRMC()->keepRecord(false);
    ipmi::IPMIUtils::setTransport(installedRMC());
}

const orbhost::SimulationStep kSimulatedRMC("rmc", installSimulatedRMC);

}  // namespace

std::shared_ptr<orbsim::SimulatedRMC> orbhost::simulatedRMC() {
    return installedRMC();
}
