// One host cache build (host facts, memory from esxtop, the hardware-list refresh) plus the
// one-line write of the whole envelope, against jsoncpp writing the same envelope alone.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/host_resource_manager.h"
#include "report/json_text.h"
#include "sim/common/simulated_host_copy.h"

namespace {

// The build runs the simulated host's tools, so it needs a simulated host of its own.
void useSimulatedHost() {
    static bool ready = [] {
        char pattern[] = "/tmp/orbbench.XXXXXX";
        const char* root = mkdtemp(pattern);
        if (root == nullptr) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        std::string error;
        if (!orbsim::copySimulatedHost(std::string(ORB_SOURCE_DIR) + "/sim/hosts/default",
                                       ORB_BINARY_DIR "/sim/overlay", root, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(2);
        }
        // Quiet logging: the logger is one per process, and the other measurements of this
        // program must not pay for debug lines.
        std::FILE* config =
            std::fopen((std::string(root) + "/etc/config/vex/orb/orb.conf").c_str(), "w");
        if (config != nullptr) {
            std::fputs("{\"LoggingLevel\": \"Error\", \"EnableDebugLog\": false}\n", config);
            std::fclose(config);
        }
        setenv("ORB_ROOT", root, 1);
        const std::string path = std::string(root) + "/bin:" + getenv("PATH");
        setenv("PATH", path.c_str(), 1);
        return true;
    }();
    (void)ready;
}

Json::Value envelopeOf(const std::vector<Json::Value>& inventory) {
    Json::Value envelope(Json::objectValue);
    envelope["HostDataCollection"]["Oem"] = inventory.empty() ? Json::Value() : inventory.back();
    return envelope;
}

void BM_HostCacheBuildAndEnvelopeWrite(benchmark::State& state) {
    useSimulatedHost();
    HostResourceManager* manager = HostResourceManager::getInstance();
    for (auto _ : state) {
        manager->cacheBuild();
        std::vector<Json::Value> inventory;
        manager->getInventoryJsonObject(inventory);
        std::string text = orbJsonOneLine(envelopeOf(inventory));
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_HostCacheBuildAndEnvelopeWrite)->Unit(benchmark::kMillisecond);

void BM_EnvelopeWriteAlone(benchmark::State& state) {
    useSimulatedHost();
    HostResourceManager* manager = HostResourceManager::getInstance();
    manager->cacheBuild();
    std::vector<Json::Value> inventory;
    manager->getInventoryJsonObject(inventory);
    const Json::Value envelope = envelopeOf(inventory);
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    for (auto _ : state) {
        std::string text = Json::writeString(builder, envelope);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_EnvelopeWriteAlone)->Unit(benchmark::kMicrosecond);

}  // namespace
