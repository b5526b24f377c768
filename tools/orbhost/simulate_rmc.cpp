#include <chrono>
#include <memory>

#include "orbhost.h"
#include "report/ipmi_utils.h"
#include "sim/rmc/simulated_rmc.h"

namespace {

// With --simulate every command and door-bell poll of the service goes to an RMC in this
// process; --ring-doorbell-at makes it ask for an inventory at that moment of the run.
void installSimulatedRMC(const orbhost::Options& options) {
    auto rmc = std::make_shared<orbsim::SimulatedRMC>();
    if (options.ringDoorbellAtSeconds >= 0) {
        rmc->ringDoorbellAt(std::chrono::seconds(options.ringDoorbellAtSeconds), "WriteInventory");
    }
    ipmi::IPMIUtils::setTransport(rmc);
}

const orbhost::SimulationStep simulatedRMC("rmc", installSimulatedRMC);

}  // namespace
