#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/rmc/simulated_rmc.h"
#include "sim/scenario/scenario.h"

// orbhost: a host process for liborb. It runs the service the way the ESXi host process does
// (start everything, wait, stop everything), or inspects what the library reads from the host.
//
//   orbhost [--simulate[=HOST]] [--keep-root] [--run-for SECONDS] [--ring-doorbell-at SECONDS]
//           [--scenario FILE]
//   orbhost [--simulate[=HOST]] [--keep-root] inspect WHAT [ARGS...]
//
// With --simulate the platform stand-ins of sim/ are installed first (simulated RMC, drives,
// host identity); each stand-in registers a SimulationStep. With --simulate=HOST (or --host
// HOST) a fresh copy of sim/hosts/HOST becomes ORB_ROOT first. Each inspect command registers
// an InspectCommand.

namespace orbhost {

struct Options {
    bool simulate = false;
    std::string host;                 // a simulated host to lay out, empty: ORB_ROOT as given
    bool keepRoot = false;            // leave the laid-out host in place at exit
    long runForSeconds = -1;          // -1: until SIGINT or SIGTERM
    long ringDoorbellAtSeconds = -1;  // -1: the simulated RMC never rings
    std::vector<orbsim::ScenarioAction> scenario;  // played during the run with --simulate
};

using InspectHandler = int (*)(const Options& options, const std::vector<std::string>& args);
using SimulationSetup = void (*)(const Options& options);

struct InspectCommand {
    InspectCommand(const char* name, const char* usage, InspectHandler handler);
};

struct SimulationStep {
    SimulationStep(const char* name, SimulationSetup setup);
};

// The copy of a simulated host that --simulate=HOST runs against, removed at exit unless kept.
class SimulatedRoot {
  public:
    SimulatedRoot() = default;
    SimulatedRoot(const SimulatedRoot&) = delete;
    SimulatedRoot& operator=(const SimulatedRoot&) = delete;
    ~SimulatedRoot();

    // Copies the host into a fresh folder and points ORB_ROOT and PATH at it; false, with a
    // line on standard error, when the host is unknown or cannot be copied.
    bool layOut(const std::string& host, bool keepAfterwards);

  private:
    std::string path;
    bool keep = false;
};

// The simulated RMC that --simulate installed, null before or without it.
std::shared_ptr<orbsim::SimulatedRMC> simulatedRMC();

// Where the simulated hosts of the source tree are, and their names ("bravo, default").
std::string simulatedHostsFolder();
std::string simulatedHostNames();

}  // namespace orbhost
