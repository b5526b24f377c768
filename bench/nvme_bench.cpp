// The NVMe manager on the default host (2 drives, one with two namespaces) and on a copy of it
// with 32 NVMe adapters: one cache build (the device list, then per drive its identify data,
// a PCI list grep, its namespace list, a capacity list grep per namespace and its SMART log)
// and one health poll (one SMART log per drive, and the device list once). The counters split
// the time into CPU in the child processes (esxcli, its shells, awk and grep) and CPU in the
// library, per drive.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "nvme/nvme_resource_manager.h"
#include "sim/common/generated_devices.h"

#include "bench_host.h"

namespace {

using orbbench::cpuSeconds;

// A copy of the default host; with more than 2 drives the generated drives of the large host
// (copies of vmhba4 after the host's own two).
std::string nvmeHost(int drives) {
    static std::map<int, std::string> roots;
    auto found = roots.find(drives);
    if (found != roots.end()) {
        return found->second;
    }
    const std::string root = orbbench::defaultHostCopy("nvme");
    std::string error;
    orbbench::require(drives <= 2 || orbsim::writeNvmeDrives(root, drives, error), error);
    roots[drives] = root;
    return root;
}

class OnHost {
  public:
    explicit OnHost(int drives) {
        const char* path = getenv("PATH");
        savedPath = path != nullptr ? path : "";
        const std::string host = nvmeHost(drives);
        setenv("ORB_ROOT", host.c_str(), 1);
        setenv("PATH", (host + "/bin:" + savedPath).c_str(), 1);
    }
    ~OnHost() { setenv("PATH", savedPath.c_str(), 1); }

  private:
    std::string savedPath;
};

void report(benchmark::State& state, double childrenBefore, double selfBefore,
            std::chrono::steady_clock::time_point wallBefore) {
    std::vector<Json::Value> drives;
    NVMeResourceManager::getInstance()->getInventoryJsonObject2(2, drives);
    const double runs = static_cast<double>(state.iterations());
    const double count = drives.empty() ? 1.0 : static_cast<double>(drives.size());
    state.counters["drives"] = static_cast<double>(drives.size());
    state.counters["children_cpu_ms"] = (cpuSeconds(RUSAGE_CHILDREN) - childrenBefore) * 1e3 / runs;
    state.counters["library_cpu_ms"] = (cpuSeconds(RUSAGE_SELF) - selfBefore) * 1e3 / runs;
    state.counters["wall_ms_per_drive"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore)
            .count() /
        runs / count;
}

void BM_NvmeCacheBuild(benchmark::State& state) {
    OnHost host(static_cast<int>(state.range(0)));
    NVMeResourceManager* manager = NVMeResourceManager::getInstance();
    manager->cacheBuild();  // the GeoID map and the physical-location library are set up once
    const auto wallBefore = std::chrono::steady_clock::now();
    const double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    const double selfBefore = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        manager->cacheBuild();
    }
    report(state, childrenBefore, selfBefore, wallBefore);
}

void BM_NvmePoll(benchmark::State& state) {
    OnHost host(static_cast<int>(state.range(0)));
    NVMeResourceManager* manager = NVMeResourceManager::getInstance();
    manager->cacheBuild();
    const auto wallBefore = std::chrono::steady_clock::now();
    const double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    const double selfBefore = cpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        manager->pollDevices();
    }
    report(state, childrenBefore, selfBefore, wallBefore);
}

BENCHMARK(BM_NvmeCacheBuild)->Arg(2)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NvmePoll)->Arg(2)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
