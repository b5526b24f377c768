// Reading the configuration file: the service does it once, at start-up.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "core/config.h"

namespace {

std::string hostConfiguration() {
    std::ifstream in(std::string(ORB_SOURCE_DIR) +
                     "/sim/hosts/default/etc/config/vex/orb/orb.conf");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void BM_ConfigurationParse(benchmark::State& state) {
    const std::string text = hostConfiguration();
    for (auto _ : state) {
        orbConfig config = orbConfig::fromContents(text);
        benchmark::DoNotOptimize(config.getInventoryPushIntervalSettings());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ConfigurationParse);

// The floor: copying the same bytes.
void BM_ConfigurationCopy(benchmark::State& state) {
    const std::string text = hostConfiguration();
    for (auto _ : state) {
        std::string copy(text);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ConfigurationCopy);

}  // namespace
