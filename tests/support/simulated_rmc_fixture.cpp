#include "support/simulated_rmc_fixture.h"

#include "report/inventory_aggregator.h"
#include "support/test_environment.h"

namespace orbtest {

std::vector<Json::Value> InstalledRMC::events() const {
    std::vector<Json::Value> seen;
    for (const orbsim::RMCCommand& command : rmc->commands()) {
        if (command.command == "MPEventGen" && command.transferStatus <= 2) {
            seen.push_back(parseJson(command.payload));
        }
    }
    return seen;
}

Json::Value InstalledRMC::pushedInventory() const {
    const size_t before = count("WriteInventory");
    orbJsonAggregator::sendInventory(true);
    if (!waitFor([&] { return count("WriteInventory") > before; })) {
        return Json::Value();
    }
    const std::vector<orbsim::RMCCommand> sent = rmc->commands();
    for (auto it = sent.rbegin(); it != sent.rend(); ++it) {
        if (it->command == "WriteInventory") {
            return parseJson(it->payload)["HostDataCollection"];
        }
    }
    return Json::Value();
}

}  // namespace orbtest
