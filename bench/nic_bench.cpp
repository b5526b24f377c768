// The NIC manager's cache build on the default host (3 ports) and on generated hosts of 16 and
// 64 ports: the listing, then per port a localcli for its details and a grep of them (plus the
// PCI lookups, once per address and process). The counters split the build's time into CPU in
// the child processes (the tools and their shells) and CPU in the library, and give the time
// per port; the wall time is mostly the children's start-up.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "host/system_interface_factory.h"
#include "nic/nic_resource_manager.h"
#include "sim/common/generated_devices.h"

#include "bench_host.h"

namespace {

using orbbench::cpuSeconds;

// A copy of the default host; with ports > 3 the generated ports of the large host.
std::string nicHost(int ports) {
    static std::map<int, std::string> roots;
    auto found = roots.find(ports);
    if (found != roots.end()) {
        return found->second;
    }
    const std::string root = orbbench::defaultHostCopy("nic");
    std::string error;
    orbbench::require(ports <= 3 || orbsim::writeNicPorts(root, ports, error), error);
    roots[ports] = root;
    return root;
}

void BM_NicCacheBuild(benchmark::State& state) {
    const int ports = static_cast<int>(state.range(0));
    const std::string host = nicHost(ports);
    const std::string savedPath = getenv("PATH") != nullptr ? getenv("PATH") : "";
    setenv("ORB_ROOT", host.c_str(), 1);
    setenv("PATH", (host + "/bin:" + savedPath).c_str(), 1);
    NICResourceManager* manager = NICResourceManager::getInstance();
    // The hardware list the PCI lookups read is the host manager's to refresh.
    if (orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface()) {
        os->populateHardwarePCIDetails();
    }
    manager->cacheBuild();  // the PCI lookups are cached per address from here on
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
    state.counters["ports"] = static_cast<double>(inventory.size());
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore)
            .count() /
        builds;
    state.counters["wall_ms_per_port"] =
        inventory.empty() ? 0.0 : wallMs / static_cast<double>(inventory.size());
    setenv("PATH", savedPath.c_str(), 1);
}

BENCHMARK(BM_NicCacheBuild)->Arg(3)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
