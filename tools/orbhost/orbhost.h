#pragma once

#include <string>
#include <vector>

// orbhost: a host process for liborb. It runs the service the way the ESXi host process does
// (start everything, wait, stop everything), or inspects what the library reads from the host.
//
//   orbhost [--simulate] [--run-for SECONDS] [--ring-doorbell-at SECONDS]
//   orbhost [--simulate] inspect WHAT [ARGS...]
//
// With --simulate the platform stand-ins of sim/ are installed first (simulated RMC, drives);
// each stand-in registers a SimulationStep. Each inspect command registers an InspectCommand.

namespace orbhost {

struct Options {
    bool simulate = false;
    long runForSeconds = -1;          // -1: until SIGINT or SIGTERM
    long ringDoorbellAtSeconds = -1;  // -1: the simulated RMC never rings
};

using InspectHandler = int (*)(const Options& options, const std::vector<std::string>& args);
using SimulationSetup = void (*)(const Options& options);

struct InspectCommand {
    InspectCommand(const char* name, const char* usage, InspectHandler handler);
};

struct SimulationStep {
    SimulationStep(const char* name, SimulationSetup setup);
};

}  // namespace orbhost
