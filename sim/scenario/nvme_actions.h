#pragma once

#include <string>

#include "sim/scenario/scenario.h"

// The NVMe actions of a scenario, which change what the host's esxcli reports about its NVMe
// adapters (var/lib/sim-nvme/, see sim/tools/esxcli-nvme):
//
//   nvme ADAPTER smart LABEL VALUE   one line of the adapter's SMART log, e.g.
//                                    nvme vmhba4 smart "Read Only Mode" true (the label may be
//                                    quoted or not; the last word is the value)
//   nvme ADAPTER remove              the adapter is hot-removed: gone from the device list,
//                                    and every query of it fails
//   nvme ADAPTER insert              a removed adapter comes back as it was

namespace orbsim {

// rest is the line after "nvme"; false with the reason when it is malformed.
bool parseNvmeAction(std::string rest, ScenarioAction& action, std::string& why);

bool applyNvmeAction(const std::string& root, const ScenarioAction& action, std::string& error);

}  // namespace orbsim
