#pragma once

#include <json/json.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The base of every resource manager (host, storage, network, Fibre Channel, NVMe). A manager
// lives on its own thread inside init(), which returns only after stopResourceManagerJob().
// The job manager gives the whole stop two seconds: init() runs under the stop request of its
// run (core/stop_request.h), so the commands it runs are cut short at stop, and its loops
// check orbStopRequested() between steps that can take long (a listing, a device query).
// The virtual operations keep this slot order in every manager.
class orbResourceManager {
  public:
    virtual int cacheBuild() = 0;
    // Asks init() to finish and returns without waiting (never behind a lock that a build
    // holds); called from the host's thread.
    virtual int stopResourceManagerJob() = 0;
    // The manager's whole life: discovery, cache builds, reporting, until stopped.
    virtual int init() = 0;
    virtual int startInventory() = 0;
    // Appends the manager's inventory documents, one value per element.
    virtual int getInventoryJsonObject(std::vector<Json::Value>& out) = 0;
    // Storage managers only: kind 1 controllers, 2 drives, 3 volumes, 4 enclosures.
    virtual int getInventoryJsonObject2(int kind, std::vector<Json::Value>& out);
    virtual int getTelemetryJsonObject(Json::Value& out);
    virtual int getUtilizationJsonObject(Json::Value& out);
    virtual int getFileServiceJsonObject(std::vector<Json::Value>& out);
    // True while the manager's main loop is active.
    virtual bool isRunning() = 0;
    // True once the first inventory is complete; iteration is the aggregator's poll count.
    virtual bool isInventoryReady(int iteration) = 0;
    // Raises the sample event eventId about device (an identifier such as a WWN, or
    // "FFFFFFFFFFFFFFFF") for the local command server. A manager without sample events, or
    // without one for this ID, raises nothing.
    virtual void generateTestEvent(int eventId, const std::string& device);

  protected:
    orbResourceManager() = default;

    // The aggregator's last readiness poll: a manager not ready by then pushes the inventory
    // after its first build.
    static constexpr int kAggregatorLastPoll = 8;
    // The readiness answer: true once the first build is done. Asked by the aggregator's last
    // readiness poll before that, it remembers that the first build must push.
    bool answerReadiness(int requester);
    // A completed build: the inventory is ready from now on. True when the build must ask the
    // aggregator for a push: its last readiness poll found the manager not ready, or a device
    // change asked for one (pushAfterNextBuild). Decided under the same lock as the readiness
    // answer, so that a push asked for by that poll is either seen here or not needed.
    bool markBuiltAndTakePush();
    // A device came or went: the next completed build pushes the inventory.
    void pushAfterNextBuild();
    // Asks probe (build in progress, inventory size) up to three times, three seconds apart,
    // until the inventory is built and not empty; report logs each miss (building, size,
    // attempt).
    static bool waitForBuiltInventory(const std::function<void(bool&, size_t&)>& probe,
                                      const std::function<void(bool, size_t, int)>& report);

    // What getInventoryJsonObject answers: the current inventory, unless a build is in
    // progress or holds buildLock, in which case the previous copy (under previousLock), so
    // that a long build never blocks the aggregator. 0 for the current, 1 for the previous.
    static int readInventoryOrPrevious(const char* tag, const std::atomic<bool>& buildInProgress,
                                       std::mutex& buildLock,
                                       const std::vector<Json::Value>& current,
                                       std::mutex& previousLock,
                                       const std::vector<Json::Value>& previous,
                                       std::vector<Json::Value>& out);
    // Managers are process-wide singletons that nobody deletes through this base.
    ~orbResourceManager() = default;

    // Set once the first cache build has finished; never cleared.
    std::atomic<bool> inventoryReady{false};

  private:
    std::mutex pushMutex;
    // The next completed build asks for a push. Guarded by pushMutex.
    bool pushRequested = false;
};
