// Decoding the simulated host's SMBIOS table (System Information, System Slots and Onboard
// Devices, as the GeoID map and the platform identity read it) against copying the same bytes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/smbios.h"

namespace {

std::vector<uint8_t> simulatedTable() {
    std::ifstream in(
        std::string(ORB_SOURCE_DIR) + "/sim/hosts/default/vmfs/devices/char/mem/smbios",
        std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void BM_SmbiosDecodeThreeTypes(benchmark::State& state) {
    std::vector<uint8_t> table = simulatedTable();
    SmBiosDeinit();
    if (SmBiosInitFromBuffer(table.data(), table.size()) != 0) {
        state.SkipWithError("no SMBIOS table");
        return;
    }
    for (auto _ : state) {
        for (int type : {1, 9, 41}) {
            void* records = nullptr;
            int count = 0;
            getSmbiosRecordsByType(type, &records, &count);
            benchmark::DoNotOptimize(records);
            free(records);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * table.size()));
    SmBiosDeinit();
}
BENCHMARK(BM_SmbiosDecodeThreeTypes);

void BM_SmbiosTableMemcpy(benchmark::State& state) {
    std::vector<uint8_t> table = simulatedTable();
    std::vector<uint8_t> copy(table.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), table.data(), table.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * table.size()));
}
BENCHMARK(BM_SmbiosTableMemcpy);

}  // namespace
