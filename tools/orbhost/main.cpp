#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "core/job_manager.h"
#include "orbhost.h"
#include "report/doorbell_service.h"
#include "report/inventory_aggregator.h"

namespace orbhost {
namespace {

struct InspectEntry {
    const char* usage;
    InspectHandler handler;
};

std::map<std::string, InspectEntry>& inspectCommands() {
    static std::map<std::string, InspectEntry> commands;
    return commands;
}

std::vector<std::pair<const char*, SimulationSetup>>& simulationSteps() {
    static std::vector<std::pair<const char*, SimulationSetup>> steps;
    return steps;
}

void printUsage() {
    std::fprintf(stderr,
                 "usage: orbhost [--simulate] [--run-for SECONDS] [--ring-doorbell-at SECONDS]\n"
                 "       orbhost [--simulate] inspect WHAT [ARGS...]\n");
    for (const auto& [name, entry] : inspectCommands()) {
        std::fprintf(stderr, "         inspect %-12s %s\n", name.c_str(), entry.usage);
    }
}

bool parseSeconds(const char* text, long& out) {
    if (text == nullptr) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0) {
        return false;
    }
    out = value;
    return true;
}

// Starts everything in the order the ESXi host process uses, waits for the run time or a
// signal, then stops everything.
int runService(const Options& options) {
    // Worker threads inherit this mask, so the signals reach only the wait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::printf("orbhost: starting the service\n");
    std::fflush(stdout);
    if (!orbJobManager::startResourceManagers()) {
        std::fprintf(stderr, "orbhost: not every resource-manager thread could be started\n");
    }
    orbJsonAggregator::sendInventory(false);
    orbIPMIDBService::startorbIPMIDBService();

    int signal = 0;
    if (options.runForSeconds >= 0) {
        // Other signals (a child ending, say) can interrupt the wait; only the deadline or a
        // stop signal ends the run.
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += options.runForSeconds;
        for (;;) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            long remainingNs =
                (deadline.tv_sec - now.tv_sec) * 1000000000L + (deadline.tv_nsec - now.tv_nsec);
            if (remainingNs <= 0) {
                break;
            }
            timespec limit{remainingNs / 1000000000L, remainingNs % 1000000000L};
            int received = sigtimedwait(&stopSignals, nullptr, &limit);
            if (received > 0) {
                signal = received;
                break;
            }
            if (errno == EAGAIN) {
                break;
            }
        }
    } else {
        sigwait(&stopSignals, &signal);
    }
    std::printf("orbhost: stopping the service%s\n", signal > 0 ? " (signal)" : "");
    std::fflush(stdout);

    orbJobManager::stopResourceManagers();
    orbJsonAggregator::stoporbJsonAggregator();
    orbIPMIDBService::stoporbIPMIDBService();
    std::printf("orbhost: stopped\n");
    return 0;
}

}  // namespace

InspectCommand::InspectCommand(const char* name, const char* usage, InspectHandler handler) {
    inspectCommands()[name] = InspectEntry{usage, handler};
}

SimulationStep::SimulationStep(const char* name, SimulationSetup setup) {
    simulationSteps().emplace_back(name, setup);
}

}  // namespace orbhost

int main(int argc, char** argv) {
    using namespace orbhost;
    Options options;
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--run-for" && i + 1 < argc) {
            if (!parseSeconds(argv[++i], options.runForSeconds)) {
                printUsage();
                return 2;
            }
        } else if (arg == "--ring-doorbell-at" && i + 1 < argc) {
            if (!parseSeconds(argv[++i], options.ringDoorbellAtSeconds)) {
                printUsage();
                return 2;
            }
        } else if (arg == "inspect") {
            break;
        } else {
            printUsage();
            return 2;
        }
    }

    if (options.simulate) {
        for (const auto& [name, setup] : simulationSteps()) {
            (void)name;
            setup(options);
        }
    }

    if (i < argc) {
        if (i + 1 >= argc) {
            printUsage();
            return 2;
        }
        auto found = inspectCommands().find(argv[i + 1]);
        if (found == inspectCommands().end()) {
            std::fprintf(stderr, "orbhost: unknown inspect command '%s'\n", argv[i + 1]);
            printUsage();
            return 2;
        }
        std::vector<std::string> args(argv + i + 2, argv + argc);
        return found->second.handler(options, args);
    }
    return runService(options);
}
