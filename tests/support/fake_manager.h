#pragma once

#include <json/json.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

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

// Waits up to limit for a condition; false when it never held.
inline bool waitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Parses JSON text, null on failure.
inline Json::Value parseJson(const std::string& text) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors)) {
        return Json::Value();
    }
    return value;
}

}  // namespace orbtest
