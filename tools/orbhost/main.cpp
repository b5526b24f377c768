#include <signal.h>

#include <algorithm>
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
#include "sim/scenario/scenario_player.h"

namespace orbhost {
namespace {

constexpr char kDefaultHost[] = "default";

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

void printUsage(FILE* out) {
    std::fprintf(out,
                 "usage: orbhost [--simulate[=HOST]] [--keep-root] [--run-for SECONDS]\n"
                 "               [--ring-doorbell-at SECONDS] [--scenario FILE]\n"
                 "       orbhost [--simulate[=HOST]] [--keep-root] inspect WHAT [ARGS...]\n"
                 "       orbhost --help\n");
    for (const auto& [name, entry] : inspectCommands()) {
        std::fprintf(out, "         inspect %-12s %s\n", name.c_str(), entry.usage);
    }
}

void printHelp() {
    std::printf(
        "orbhost loads liborb as the ESXi host process does: it starts the service, waits for\n"
        "the run time (or SIGINT/SIGTERM) and stops it; or it inspects one piece of what the\n"
        "library reads from the host.\n\n");
    printUsage(stdout);
    std::printf(
        "\n"
        "  --simulate           install the stand-ins of sim/: the simulated RMC (IPMI), the\n"
        "                       simulated drives (SG_IO) and the host's identity (uname and\n"
        "                       interface addresses) from the root's identity file\n"
        "  --simulate=HOST      lay out a fresh copy of the simulated host sim/hosts/HOST (known:\n"
        "  --host HOST          %s) in a temporary folder, run against it\n"
        "                       (ORB_ROOT and PATH set to it) with the stand-ins installed\n"
        "  --keep-root          leave that copy in place at exit (to read its logs)\n"
        "  --run-for SECONDS    stop after SECONDS instead of waiting for a signal\n"
        "  --ring-doorbell-at SECONDS\n"
        "                       the simulated RMC asks for an inventory at that moment\n"
        "                       (the scenario action: SECONDS rmc doorbell WriteInventory)\n"
        "  --scenario FILE      with --simulate: play FILE during the run, one action a line,\n"
        "                       SECONDS ACTION ARGS... ('#' comments): write PATH TEXT...,\n"
        "                       remove PATH, restore PATH, drive sgN KEY VALUE, drive sgN\n"
        "                       remove|insert, port HOSTNAME state TEXT, rmc transfer-status\n"
        "                       PACKET STATUS, rmc fail-packet PACKET [FAULT], rmc restart\n"
        "                       SECONDS, rmc clear, rmc doorbell TEXT (sim/hosts/README.md\n"
        "                       describes them)\n"
        "\n"
        "environment:\n"
        "  ORB_ROOT         folder every fixed absolute path is taken below (a copy of a\n"
        "                   simulated host); unset, the real paths of this machine are used\n"
        "  PATH             the simulated host's bin/ first answers localcli, esxcli, esxtop\n"
        "  ORB_SIM_RMC_LOG  file the simulated RMC appends each command it executed to, one\n"
        "                   JSON line each (read it with: orbhost inspect rmc-log FILE)\n"
        "  ORB_SIM_RMC_OUTAGE  START,SECONDS: the simulated RMC answers no packet from START\n"
        "                   seconds after the start, for SECONDS (events and pushes are kept\n"
        "                   and retried meanwhile)\n"
        "\n"
        "example: orbhost --simulate=default inspect drives\n",
        simulatedHostNames().c_str());
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
    if (!orbJobManager::startORBServer()) {
        std::fprintf(stderr, "orbhost: the local command server could not be started\n");
    }

    // Changes the simulated host while the service runs; stopped first at the end, so no
    // action lands while the service stops.
    const char* root = getenv("ORB_ROOT");
    orbsim::ScenarioPlayer player(root != nullptr ? root : "", simulatedRMC());
    if (options.simulate && !options.scenario.empty()) {
        player.start(options.scenario);
    }

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
    player.stop();

    orbJobManager::stopResourceManagers();
    orbJsonAggregator::stoporbJsonAggregator();
    orbIPMIDBService::stoporbIPMIDBService();
    orbJobManager::stopORBServer();
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
    bool scenarioGiven = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printHelp();
            return 0;
        } else if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg.compare(0, 11, "--simulate=") == 0 || (arg == "--host" && i + 1 < argc)) {
            options.simulate = true;
            options.host = arg == "--host" ? argv[++i] : arg.substr(11);
        } else if (arg == "--keep-root") {
            options.keepRoot = true;
        } else if (arg == "--run-for" && i + 1 < argc) {
            if (!parseSeconds(argv[++i], options.runForSeconds)) {
                printUsage(stderr);
                return 2;
            }
        } else if (arg == "--ring-doorbell-at" && i + 1 < argc) {
            if (!parseSeconds(argv[++i], options.ringDoorbellAtSeconds)) {
                printUsage(stderr);
                return 2;
            }
        } else if (arg == "--scenario" && i + 1 < argc) {
            std::string error;
            std::vector<orbsim::ScenarioAction> actions;
            if (!orbsim::readScenario(argv[++i], actions, error)) {
                std::fprintf(stderr, "orbhost: scenario refused: %s\n", error.c_str());
                return 2;
            }
            options.scenario.insert(options.scenario.end(), actions.begin(), actions.end());
            scenarioGiven = true;
        } else if (arg == "inspect") {
            break;
        } else {
            std::fprintf(stderr, "orbhost: unknown argument '%s' (orbhost --help explains)\n",
                         arg.c_str());
            printUsage(stderr);
            return 2;
        }
    }

    if (scenarioGiven && !options.simulate) {
        std::fprintf(stderr,
                     "orbhost: --scenario plays against a simulated host: add --simulate\n");
        return 2;
    }
    if (options.ringDoorbellAtSeconds >= 0) {
        orbsim::ScenarioAction ring;
        ring.at = std::chrono::seconds(options.ringDoorbellAtSeconds);
        ring.verb = orbsim::ScenarioVerb::RmcDoorbell;
        ring.text = "WriteInventory";
        ring.source = "rmc doorbell WriteInventory";
        options.scenario.push_back(ring);
    }
    std::stable_sort(options.scenario.begin(), options.scenario.end(),
                     [](const orbsim::ScenarioAction& a, const orbsim::ScenarioAction& b) {
                         return a.at < b.at;
                     });

    // Before anything of the library runs: it reads ORB_ROOT when it first resolves a path.
    SimulatedRoot simulatedRoot;
    if (!options.host.empty() && !simulatedRoot.layOut(options.host, options.keepRoot)) {
        return 1;
    }
    if (options.simulate) {
        for (const auto& [name, setup] : simulationSteps()) {
            (void)name;
            setup(options);
        }
    }

    const char* root = getenv("ORB_ROOT");
    const bool realPaths = root == nullptr || *root == '\0';
    const bool changesHost =
        std::any_of(options.scenario.begin(), options.scenario.end(),
                    [](const orbsim::ScenarioAction& a) { return !orbsim::isRmcAction(a.verb); });
    if (realPaths && options.simulate && changesHost && i >= argc) {
        std::fprintf(stderr,
                     "orbhost: the scenario changes the host, and ORB_ROOT is not set: "
                     "--simulate=%s lays out a simulated host to change\n",
                     kDefaultHost);
        return 2;
    }
    if (realPaths && options.simulate) {
        std::fprintf(stderr,
                     "orbhost: ORB_ROOT is not set, so the stand-ins read this machine's paths; "
                     "--simulate=%s lays out a simulated host\n",
                     kDefaultHost);
    }

    if (i < argc) {
        if (i + 1 >= argc) {
            printUsage(stderr);
            return 2;
        }
        auto found = inspectCommands().find(argv[i + 1]);
        if (found == inspectCommands().end()) {
            std::fprintf(stderr, "orbhost: unknown inspect command '%s'\n", argv[i + 1]);
            printUsage(stderr);
            return 2;
        }
        std::vector<std::string> args(argv + i + 2, argv + argc);
        int result = found->second.handler(options, args);
        if (result == 1 && realPaths) {
            std::fprintf(stderr,
                         "orbhost: this machine's paths were read (ORB_ROOT is not set); "
                         "orbhost --simulate=%s inspect %s runs against a simulated host\n",
                         kDefaultHost, argv[i + 1]);
        }
        return result;
    }
    return runService(options);
}
