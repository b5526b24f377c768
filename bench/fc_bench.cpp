// The FC manager's cache build on a generated host of four dual-port Emulex adapters (8 ports)
// and on the default host (one adapter, 2 ports): per adapter the HBA API calls into the
// vendor library (through dlopen, as on the host), then the host facts (PCI IDs once per
// address and process, manufacturer, location). The counters split the build's time into CPU
// in the child processes and CPU in the library, and give the wall time per port.
//
// The adapter and PCI maps come from localcli once, at the first build of the process: the
// generated host, a superset of the default host, is measured first so that both find theirs.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/utils.h"
#include "fc/fc_host_maps.h"
#include "fc/fc_resource_manager.h"
#include "host/system_interface_factory.h"
#include "sim/common/generated_devices.h"

#include "bench_host.h"

namespace {

using orbbench::cpuSeconds;
using orbbench::writeText;

std::string fcHost() {
    static std::string root;
    if (!root.empty()) {
        return root;
    }
    root = orbbench::defaultHostCopy("fc");
    // The generated adapters' PCI functions stay listed when fewer adapters are described.
    std::string error;
    orbbench::require(orbsim::writeFcAdapters(root, 4, error), error);
    return root;
}

void BM_FcCacheBuild(benchmark::State& state) {
    const int ports = static_cast<int>(state.range(0));
    const std::string host = fcHost();
    writeText(host + "/var/lib/sim-hba/libhbaapi-emulex.adapters",
              orbsim::fcAdapterDescription(ports / 2));
    const std::string savedPath = getenv("PATH") != nullptr ? getenv("PATH") : "";
    setenv("ORB_ROOT", host.c_str(), 1);
    setenv("PATH", (host + "/bin:" + savedPath).c_str(), 1);
    FCResourceManager* manager = FCResourceManager::getInstance();
    // The hardware list the PCI lookups read is the host manager's to refresh.
    if (orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface()) {
        os->populateHardwarePCIDetails();
    }
    manager->cacheBuild();  // libraries, maps and PCI IDs are read once from here on
    const auto wallBefore = std::chrono::steady_clock::now();
    const double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    const double selfBefore = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        manager->cacheBuild();
    }
    const double builds = static_cast<double>(state.iterations());
    state.counters["children_cpu_ms"] =
        (cpuSeconds(RUSAGE_CHILDREN) - childrenBefore) * 1e3 / builds;
    state.counters["library_cpu_ms"] = (cpuSeconds(RUSAGE_SELF) - selfBefore) * 1e3 / builds;
    std::vector<Json::Value> inventory;
    manager->getInventoryJsonObject(inventory);
    state.counters["adapters"] = static_cast<double>(inventory.size());
    double placed = 0;
    for (const Json::Value& adapter : inventory) {
        placed += adapter["Oem"]["Description"].asString().empty() ? 0 : 1;
    }
    state.counters["with_pci_address"] = placed;
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore)
            .count() /
        builds;
    state.counters["wall_ms_per_port"] = wallMs / ports;
    setenv("PATH", savedPath.c_str(), 1);
}

BENCHMARK(BM_FcCacheBuild)->Arg(8)->Arg(2)->Unit(benchmark::kMillisecond);

// What the first build of a process adds: the two localcli listings behind the adapter and PCI
// maps, and the two PCI ID lookups per adapter address (cached from then on).
void BM_FcFirstBuildHostFacts(benchmark::State& state) {
    const int adapters = static_cast<int>(state.range(0));
    const std::string host = fcHost();
    writeText(host + "/var/lib/sim-hba/libhbaapi-emulex.adapters",
              orbsim::fcAdapterDescription(adapters));
    const std::string savedPath = getenv("PATH") != nullptr ? getenv("PATH") : "";
    setenv("ORB_ROOT", host.c_str(), 1);
    setenv("PATH", (host + "/bin:" + savedPath).c_str(), 1);
    if (orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface()) {
        os->populateHardwarePCIDetails();
    }
    const char* addresses[] = {"0000:86:00.0", "0000:87:00.0", "0000:88:00.0", "0000:89:00.0"};
    const double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    const double selfBefore = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        orbFcHostMaps maps;
        maps.initFcInfoMap();
        maps.initFcNameMap();
        for (int adapter = 0; adapter < adapters; ++adapter) {
            benchmark::DoNotOptimize(orbUtils::get_vendor_device(addresses[adapter]));
            benchmark::DoNotOptimize(orbUtils::get_subvendor_subdevice(addresses[adapter]));
        }
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["children_cpu_ms"] = (cpuSeconds(RUSAGE_CHILDREN) - childrenBefore) * 1e3 / runs;
    state.counters["library_cpu_ms"] = (cpuSeconds(RUSAGE_SELF) - selfBefore) * 1e3 / runs;
    setenv("PATH", savedPath.c_str(), 1);
}

BENCHMARK(BM_FcFirstBuildHostFacts)->Arg(4)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
