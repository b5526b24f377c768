// Manufacturer names by PCI vendor ID: every entry of the built-in table looked up once per
// iteration, against the same lookups in a std::unordered_map keyed by the ID text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/pci_vendors.h"

namespace {

// Every vendor ID as the lookups receive it (four lower-case digits), in a fixed shuffled
// order so neither container is walked in its own order.
std::vector<std::string> allVendorIds() {
    std::vector<std::string> ids;
    for (const orbPCIVendorEntry& entry : orbPCIVendorsMap) {
        char text[8];
        std::snprintf(text, sizeof(text), "%04x", entry.id);
        ids.emplace_back(text);
    }
    std::shuffle(ids.begin(), ids.end(), std::mt19937(12345));
    return ids;
}

void BM_VendorTableLookup(benchmark::State& state) {
    const std::vector<std::string> ids = allVendorIds();
    for (auto _ : state) {
        for (const std::string& id : ids) {
            benchmark::DoNotOptimize(orbPCIVendorsMap.find(id));
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * ids.size()));
}
BENCHMARK(BM_VendorTableLookup);

// The baseline: the same names in a hash map from ID text to name, found by the same keys.
void BM_UnorderedMapLookup(benchmark::State& state) {
    const std::vector<std::string> ids = allVendorIds();
    std::unordered_map<std::string, std::string> map;
    for (const orbPCIVendorEntry& entry : orbPCIVendorsMap) {
        char text[8];
        std::snprintf(text, sizeof(text), "%04x", entry.id);
        map.emplace(text, entry.name);
    }
    for (auto _ : state) {
        for (const std::string& id : ids) {
            auto found = map.find(id);
            benchmark::DoNotOptimize(found);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * ids.size()));
}
BENCHMARK(BM_UnorderedMapLookup);

}  // namespace
