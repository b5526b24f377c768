#include <cstdio>
#include <string>
#include <vector>

#include "orbhost.h"
#include "report/ipmi_utils.h"

namespace {

// inspect rmc-command NAME [PAYLOAD]: sends one RMC CLI command, as the service does.
int sendCommand(const orbhost::Options&, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        std::fprintf(stderr, "usage: orbhost [--simulate] inspect rmc-command NAME [PAYLOAD]\n");
        return 2;
    }
    const std::string payload = args.size() == 2 ? args[1] : std::string();
    int result = ipmi::IPMIUtils::RMC_CLI_Cmd_Execution(args[0], payload);
    std::printf("%s: %s (%zu payload bytes)\n", args[0].c_str(),
                result == 0 ? "accepted by the RMC" : "failed", payload.size());
    return result == 0 ? 0 : 1;
}

// inspect rmc-doorbell: polls the door bell once.
int pollDoorbell(const orbhost::Options&, const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: orbhost [--simulate] inspect rmc-doorbell\n");
        return 2;
    }
    ipmi::IPMIUtils device;
    bool requested = device.checkIPMIDBRequest();
    std::printf("door bell: %s\n", requested ? "WriteInventory requested" : "no inventory request");
    return 0;
}

const orbhost::InspectCommand rmcCommand("rmc-command", "NAME [PAYLOAD]  send one RMC CLI command",
                                         sendCommand);
const orbhost::InspectCommand rmcDoorbell("rmc-doorbell", "poll the RMC's door bell once",
                                          pollDoorbell);

}  // namespace
