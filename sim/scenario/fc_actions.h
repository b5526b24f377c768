#pragma once

#include <string>

#include "sim/scenario/scenario.h"

// The Fibre Channel actions of a scenario, which change what the host's HBA API libraries
// describe (/var/lib/sim-hba/*.adapters, see sim/hba/):
//
//   fc WWPN state NAME      the port's state: Online, Offline, Bypassed, DiagnosticMode,
//                           Linkdown, Error, Loopback or Unknown
//   fc ADAPTER remove       the adapter, by the name the HBA API lists, vanishes

namespace orbsim {

// rest is the line after "fc"; false with the reason when it is malformed.
bool parseFcAction(std::string rest, ScenarioAction& action, std::string& why);

// Rewrites the description that holds the port or adapter (a new file renamed over the old).
bool applyFcAction(const std::string& root, const ScenarioAction& action, std::string& error);

}  // namespace orbsim
