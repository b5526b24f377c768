// MegaRAID storage through the storage library stand-in: one rebuild of the library's lists
// for a controller with 64 drives and 8 volumes, and the analysis of one firmware event (a
// drive state change, alternately failed and online) on that controller, with its median and
// worst time.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "megaraid/megaraid_controller.h"
#include "megaraid/megaraid_controller_factory.h"
#include "megaraid/store_lib_interface.h"

namespace fs = std::filesystem;

namespace {

// A root holding the library and a description of 64 drives in 8 RAID5 volumes of 8.
const std::string& megaraidRoot() {
    static const std::string root = [] {
        char pattern[] = "/tmp/orbbench-megaraid.XXXXXX";
        const char* folder = mkdtemp(pattern);
        if (folder == nullptr) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        const std::string made = folder;
        fs::create_directories(made + "/opt/vex/orb/lib");
        fs::create_directories(made + "/var/lib/sim-storelib");
        fs::copy_file(ORB_BINARY_DIR "/sim/overlay/opt/vex/orb/lib/libstorelib.so",
                      made + "/opt/vex/orb/lib/libstorelib.so");
        std::ofstream description(made + "/var/lib/sim-storelib/controllers");
        description << "controller chipset=0x005D1000 board=0x93631000 pci=0000:d8:00.0 "
                       "serial=SKB7654321 firmware=4.680.00-8527 product=MegaRAID_SAS_9361-4i\n";
        for (int drive = 0; drive < 64; ++drive) {
            description << "pd 0 " << drive << " 8:" << drive
                        << " state=0x00 interface=SAS media=HDD vendor=HGST "
                           "product=HUC101818CS4204 revision=A907 serial=BENCH"
                        << drive << " blocks=3516328368\n";
        }
        for (int volume = 0; volume < 8; ++volume) {
            description << "ld 0 " << volume << " raid=5 span=1 state=3 blocks=1000 name=v"
                        << volume << " members=";
            for (int member = 0; member < 8; ++member) {
                description << (member == 0 ? "" : ",") << volume * 8 + member;
            }
            description << "\n";
        }
        setenv("ORB_ROOT", made.c_str(), 1);
        return made;
    }();
    return root;
}

void BM_MegaRAIDCacheBuild(benchmark::State& state) {
    megaraidRoot();
    orbStoreLibInterface* library = orbStoreLibInterface::getInstance();
    if (!library->orbStoreInit()) {
        state.SkipWithError("the storage library did not initialise");
        return;
    }
    for (auto _ : state) {
        library->cacheBuild("All");
    }
    state.counters["drives"] = static_cast<double>(library->getPDInventoryForCtrl(0).size());
    state.counters["volumes"] = static_cast<double>(library->getLDInventoryForCtrl(0).size());
}
BENCHMARK(BM_MegaRAIDCacheBuild)->Unit(benchmark::kMillisecond);

void BM_MegaRAIDEventAnalysis(benchmark::State& state) {
    megaraidRoot();
    orbStorageControllerList found;
    orbMegaRAIDControllerFactory::getInstance()->discoverControllers(found);
    if (found.empty()) {
        state.SkipWithError("no MegaRAID controller");
        return;
    }
    auto* controller = static_cast<orbMegaRAIDController*>(found[0].get());
    orbStorageControllerInfo info;
    controller->discoverInventory(info);
    std::vector<orbDiskInfo> drives;
    controller->discoverPhysicalDiskInventory(drives);
    ORB_SAS_EVENT_DETAIL event;
    event.eventCode = 0x0072;
    event.eventClass = 2;
    event.locale = "PD_EVENT";
    event.enclosure = 8;
    event.slot = 63;
    event.description = "State change on PD 3f(e0x08/s63)";
    std::vector<double> micros;
    bool failed = false;
    for (auto _ : state) {
        event.newState = failed ? 0x00 : 0x11;
        failed = !failed;
        const auto begun = std::chrono::steady_clock::now();
        controller->analyzeAndGenerateEvent(&event);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begun)
                .count());
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["worst_us"] = micros.back();
    state.counters["drives"] = static_cast<double>(drives.size());
    found.clear();
    orbMegaRAIDControllerFactory::getInstance()->shutdownFactory();
}
BENCHMARK(BM_MegaRAIDEventAnalysis)->Unit(benchmark::kMicrosecond);

}  // namespace
