#pragma once

#include <json/json.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "report/ipmi_utils.h"
#include "sim/rmc/simulated_rmc.h"

namespace orbtest {

// A simulated RMC installed for the lifetime of this object, without the pause that spaces
// commands on real hardware.
class InstalledRMC {
  public:
    InstalledRMC() : rmc(std::make_shared<orbsim::SimulatedRMC>()) {
        rmc->setCommandPause(std::chrono::milliseconds(0));
        ipmi::IPMIUtils::setTransport(rmc);
    }
    ~InstalledRMC() { ipmi::IPMIUtils::setTransport(nullptr); }
    InstalledRMC(const InstalledRMC&) = delete;
    InstalledRMC& operator=(const InstalledRMC&) = delete;

    orbsim::SimulatedRMC* operator->() const { return rmc.get(); }
    const std::shared_ptr<orbsim::SimulatedRMC>& get() const { return rmc; }

    // How many commands of this name the RMC has executed (not those it refused with a
    // transfer status above 2).
    size_t count(const std::string& command) const {
        size_t found = 0;
        for (const orbsim::RMCCommand& executed : rmc->commands()) {
            found += executed.command == command && executed.transferStatus <= 2 ? 1 : 0;
        }
        return found;
    }

    // Every event document the RMC has executed, in the order it received them.
    std::vector<Json::Value> events() const;
    // Asks the service for a push, as the RMC's door bell does, waits for it and gives the
    // "HostDataCollection" it carried (null when none came).
    Json::Value pushedInventory() const;

  private:
    std::shared_ptr<orbsim::SimulatedRMC> rmc;
};

}  // namespace orbtest
