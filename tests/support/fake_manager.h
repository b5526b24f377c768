#pragma once

#include <json/json.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "core/factory.h"
#include "core/resource_manager.h"

namespace orbtest {

// A resource manager whose readiness and inventory a test decides, for driving the
// aggregator and the job manager without real hardware.
class FakeManager : public orbResourceManager {
  public:
    int cacheBuild() override { return 0; }
    int stopResourceManagerJob() override { return 0; }
    int init() override { return 0; }
    int startInventory() override { return 0; }
    int getInventoryJsonObject(std::vector<Json::Value>& out) override {
        std::lock_guard<std::mutex> lock(mutex);
        out.insert(out.end(), elements.begin(), elements.end());
        return 0;
    }
    int getInventoryJsonObject2(int kind, std::vector<Json::Value>& out) override {
        std::lock_guard<std::mutex> lock(mutex);
        auto found = byKind.find(kind);
        if (found != byKind.end()) {
            out.insert(out.end(), found->second.begin(), found->second.end());
        }
        return 0;
    }
    bool isRunning() override { return true; }
    bool isInventoryReady(int iteration) override {
        ++readinessPolls;
        lastIteration = iteration;
        return ready.load();
    }

    void setElements(std::vector<Json::Value> values) {
        std::lock_guard<std::mutex> lock(mutex);
        elements = std::move(values);
    }
    void setKind(int kind, std::vector<Json::Value> values) {
        std::lock_guard<std::mutex> lock(mutex);
        byKind[kind] = std::move(values);
    }

    std::atomic<bool> ready{true};
    std::atomic<int> readinessPolls{0};
    std::atomic<int> lastIteration{-1};

  private:
    std::mutex mutex;
    std::vector<Json::Value> elements;
    std::map<int, std::vector<Json::Value>> byKind;
};

// Makes manager the host manager (resource type 1), with one small inventory element.
inline void installAsHostManager(FakeManager& manager) {
    static FakeManager* installed = nullptr;
    installed = &manager;
    Json::Value element(Json::objectValue);
    element["HostOSInfo"] = "fake";
    manager.setElements({element});
    orbFactory::registerManager(1, [] { return static_cast<orbResourceManager*>(installed); });
}

}  // namespace orbtest
