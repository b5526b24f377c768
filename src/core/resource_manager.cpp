#include "core/resource_manager.h"

#include "core/log.h"
#include "core/stop_request.h"

#include <chrono>
#include <thread>

int orbResourceManager::getInventoryJsonObject2(int, std::vector<Json::Value>&) {
    return 0;
}
int orbResourceManager::getTelemetryJsonObject(Json::Value&) {
    return 0;
}
int orbResourceManager::getUtilizationJsonObject(Json::Value&) {
    return 0;
}
int orbResourceManager::getFileServiceJsonObject(std::vector<Json::Value>&) {
    return 0;
}
void orbResourceManager::generateTestEvent(int, const std::string&) {}

int orbResourceManager::readInventoryOrPrevious(
    const char* tag, const std::atomic<bool>& buildInProgress, std::mutex& buildLock,
    const std::vector<Json::Value>& current, std::mutex& previousLock,
    const std::vector<Json::Value>& previous, std::vector<Json::Value>& out) {
    if (!buildInProgress.load()) {
        std::unique_lock<std::mutex> build(buildLock, std::try_to_lock);
        if (build.owns_lock()) {
            out = current;
            return 0;
        }
    }
    ORB_LOG_DEBUG(tag, "Cache build is in progress. Returning previous copy of inventory.");
    std::lock_guard<std::mutex> lock(previousLock);
    out = previous;
    return 1;
}

bool orbResourceManager::answerReadiness(int requester) {
    std::lock_guard<std::mutex> lock(pushMutex);
    const bool ready = inventoryReady.load();
    if (requester == kAggregatorLastPoll && !ready) {
        pushRequested = true;
    }
    return ready;
}

bool orbResourceManager::markBuiltAndTakePush() {
    std::lock_guard<std::mutex> lock(pushMutex);
    inventoryReady.store(true);
    const bool push = pushRequested;
    pushRequested = false;
    return push;
}

void orbResourceManager::pushAfterNextBuild() {
    std::lock_guard<std::mutex> lock(pushMutex);
    pushRequested = true;
}

bool orbResourceManager::waitForBuiltInventory(
    const std::function<void(bool&, size_t&)>& probe,
    const std::function<void(bool, size_t, int)>& report) {
    constexpr int kAttempts = 3;
    constexpr std::chrono::seconds kRetryWait{3};
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        bool building = false;
        size_t size = 0;
        probe(building, size);
        if (!building && size != 0) {
            return true;
        }
        report(building, size, attempt);
        // The caller's stop ends the wait: the local command server asks from its own thread.
        const auto until = std::chrono::steady_clock::now() + kRetryWait;
        while (std::chrono::steady_clock::now() < until) {
            if (orbStopRequested()) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    return false;
}
