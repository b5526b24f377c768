#include <benchmark/benchmark.h>
#include <json/json.h>

#include <cstring>
#include <string>
#include <vector>

#include "storage/disk_info.h"
#include "storage/logical_disk_info.h"

// What one drive event costs before it reaches the RMC channel: rendering the drive's event
// payload and writing it as one line. The memcpy of the same number of bytes is the floor it
// is measured against.

namespace {

orbDiskInfo benchDrive() {
    orbDiskInfo drive;
    drive.setState(ORB_STATE_FAILED);
    drive.setHealth(ORB_HEALTH_CRITICAL);
    drive.setSlot("3");
    drive.setPhysicalLocation("0101000100010003");
    drive.setSerialNumber("S4NANE0M500123");
    drive.setPartNumber("MZ7LH1T9HMLT");
    drive.setModel("SAMSUNG MZ7LH1T9HMLT");
    drive.setCapacityBytes(1920383410176ULL);
    drive.setProtocol("SATA");
    drive.setManufacturer("Samsung");
    drive.setMediaType("SSD");
    drive.setRevision("HXT7404Q");
    drive.setEventInfoString("Failed to read Summary SMART Error Log from disk drive.");
    return drive;
}

std::string oneLine(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

void BM_DriveEventPayloadLine(benchmark::State& state) {
    const orbDiskInfo drive = benchDrive();
    for (auto _ : state) {
        std::string line = oneLine(drive.getVariableData());
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_DriveEventPayloadLine);

void BM_MemcpyOfPayloadLineBytes(benchmark::State& state) {
    const std::string line = oneLine(benchDrive().getVariableData());
    std::vector<char> target(line.size());
    for (auto _ : state) {
        std::memcpy(target.data(), line.data(), line.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_MemcpyOfPayloadLineBytes);

// A controller hands out copies of its drive list on every inventory read.
void BM_CopyOfDriveList(benchmark::State& state) {
    const std::vector<orbDiskInfo> drives(static_cast<size_t>(state.range(0)), benchDrive());
    for (auto _ : state) {
        std::vector<orbDiskInfo> copy = drives;
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyOfDriveList)->Arg(8)->Arg(64);

}  // namespace
