// The storage manager on generated hosts of 1×8, 4×32 and 16×32 drives behind Adaptec
// SmartRAID boards (plus the chipset SATA controller's two drives of the default host): one
// cache build (controller discovery, every drive's SCSI/ATA queries, the JSON lists), one poll
// pass over every controller, and the storage JSON lists written as one document against
// jsoncpp writing the same document alone. Time per drive is the build time divided by the
// drive count the counters show.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "report/json_text.h"
#include "sim/common/large_host.h"
#include "storage/sas_resource_manager.h"
#include "storage/storage_controller_factory_interface.h"

namespace {

// One generated host per shape, made once for the whole program.
std::string largeHost(int controllers, int drivesPerController) {
    static std::map<std::pair<int, int>, std::string> roots;
    auto found = roots.find({controllers, drivesPerController});
    if (found != roots.end()) {
        return found->second;
    }
    char pattern[] = "/tmp/orbbench-storage.XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (folder == nullptr) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    const std::string root = std::string(folder) + "/host";
    orbsim::LargeHostShape shape;
    shape.defaultHost = ORB_SOURCE_DIR "/sim/hosts/default";
    shape.layout = ORB_SOURCE_DIR "/sim/scsi-tree/default.layout";
    shape.overlay = ORB_BINARY_DIR "/sim/overlay";
    shape.controllers = controllers;
    shape.drivesPerController = drivesPerController;
    std::string error;
    if (!orbsim::writeLargeHost(shape, root, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(2);
    }
    // Quiet logging, as in production: the debug log would dominate the figures.
    std::FILE* config = std::fopen((root + "/etc/config/vex/orb/orb.conf").c_str(), "w");
    if (config != nullptr) {
        std::fputs("{\"LoggingLevel\": \"Error\", \"EnableDebugLog\": false}\n", config);
        std::fclose(config);
    }
    roots[{controllers, drivesPerController}] = root;
    return root;
}

// Points the service at one generated host for one benchmark, and back afterwards; the
// factories forget the controllers of the host before.
class OnHost {
  public:
    OnHost(int controllers, int drivesPerController) {
        const char* root = getenv("ORB_ROOT");
        savedRoot = root != nullptr ? root : "";
        const char* path = getenv("PATH");
        savedPath = path != nullptr ? path : "";
        const std::string host = largeHost(controllers, drivesPerController);
        setenv("ORB_ROOT", host.c_str(), 1);
        setenv("PATH", (host + "/bin:" + savedPath).c_str(), 1);
        forgetControllers();
    }
    ~OnHost() {
        forgetControllers();
        setenv("ORB_ROOT", savedRoot.c_str(), 1);
        setenv("PATH", savedPath.c_str(), 1);
    }

  private:
    static void forgetControllers() {
        for (IorbStorageControllerFactory* factory : orbControllerFactoryRegistry::getRegistry()) {
            factory->shutdownFactory();
        }
    }
    std::string savedRoot;
    std::string savedPath;
};

Json::Value storageDocument(SASResourceManager* manager) {
    Json::Value document(Json::objectValue);
    const std::pair<int, const char*> kinds[] = {{ORB_SAS_INVENTORY_CONTROLLERS, "Controllers"},
                                                 {ORB_SAS_INVENTORY_DRIVES, "Drives"}};
    for (const auto& [kind, key] : kinds) {
        std::vector<Json::Value> list;
        manager->getInventoryJsonObject2(kind, list);
        Json::Value& array = document[key] = Json::Value(Json::arrayValue);
        for (Json::Value& element : list) {
            array.append(std::move(element));
        }
    }
    return document;
}

void countDrives(benchmark::State& state, SASResourceManager* manager) {
    std::vector<Json::Value> drives;
    manager->getInventoryJsonObject2(ORB_SAS_INVENTORY_DRIVES, drives);
    state.counters["drives"] = static_cast<double>(drives.size());
    state.counters["per_drive"] = benchmark::Counter(
        static_cast<double>(drives.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_StorageCacheBuild(benchmark::State& state) {
    OnHost host(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    SASResourceManager* manager = SASResourceManager::getInstance();
    for (auto _ : state) {
        manager->cacheBuild();
    }
    countDrives(state, manager);
}

void BM_StoragePollPass(benchmark::State& state) {
    OnHost host(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    SASResourceManager* manager = SASResourceManager::getInstance();
    manager->cacheBuild();
    for (auto _ : state) {
        for (IorbStorageControllerFactory* factory : orbControllerFactoryRegistry::getRegistry()) {
            orbStorageControllerList controllers;
            factory->getControllers(0xFF, controllers);
            for (auto& controller : controllers) {
                controller->poll();
            }
        }
    }
    countDrives(state, manager);
}

// The lists as the service writes them into the pushed document...
void BM_StorageJsonWrite(benchmark::State& state) {
    OnHost host(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    SASResourceManager* manager = SASResourceManager::getInstance();
    manager->cacheBuild();
    for (auto _ : state) {
        std::string text = orbJsonOneLine(storageDocument(manager));
        benchmark::DoNotOptimize(text.data());
    }
}

// ...and jsoncpp writing the same document alone.
void BM_StorageJsonWriteJsoncppAlone(benchmark::State& state) {
    OnHost host(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    SASResourceManager* manager = SASResourceManager::getInstance();
    manager->cacheBuild();
    const Json::Value document = storageDocument(manager);
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    for (auto _ : state) {
        std::string text = Json::writeString(builder, document);
        benchmark::DoNotOptimize(text.data());
    }
}

void shapes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Args({1, 8})->Args({4, 32})->Args({16, 32})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_StorageCacheBuild)->Apply(shapes);
BENCHMARK(BM_StoragePollPass)->Apply(shapes);
BENCHMARK(BM_StorageJsonWrite)->Apply(shapes);
BENCHMARK(BM_StorageJsonWriteJsoncppAlone)->Apply(shapes);

}  // namespace
