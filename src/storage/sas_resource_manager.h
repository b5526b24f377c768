#pragma once

#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/resource_manager.h"
#include "core/shutdown_notifier.h"
#include "core/stop_request.h"
#include "storage/controller_info.h"
#include "storage/disk_info.h"
#include "storage/enclosure_info.h"
#include "storage/logical_disk_info.h"

class orbInventoryBase;
class IorbStorageController;

// Kinds of storage inventory the aggregator asks for.
enum : int {
    ORB_SAS_INVENTORY_CONTROLLERS = 1,
    ORB_SAS_INVENTORY_DRIVES = 2,
    ORB_SAS_INVENTORY_VOLUMES = 3,
    ORB_SAS_INVENTORY_ENCLOSURES = 4,
};

// The resource manager of SAS/SATA storage: builds the storage inventory through every
// registered controller factory, polls the controllers every 10 seconds for status changes,
// and raises the storage events.
class SASResourceManager : public orbResourceManager {
  public:
    static SASResourceManager* getInstance();

    int cacheBuild() override;
    int stopResourceManagerJob() override;
    int init() override;
    int startInventory() override;
    int getInventoryJsonObject(std::vector<Json::Value>& out) override;
    int getInventoryJsonObject2(int kind, std::vector<Json::Value>& out) override;
    bool isRunning() override;
    bool isInventoryReady(int iteration) override;

    // Asks for a rebuild at the next wake-up, which comes at once. Safe from any thread,
    // including a controller's own locked path during a build or a poll.
    void invalidateInventoryCache();
    // The next completed build pushes the inventory to the RMC.
    void sendInventorytToRMCOnCacheBuild();

    // Raises a storage event about record, with its variable data.
    void generateEvent(int eventId, const std::string& location, bool failure,
                       const orbInventoryBase& record, const std::string& source = "ORB");
    void generateEvent(int eventId, bool failure, const orbInventoryBase& record);
    // A sample event of the kind eventId belongs to, asked for by the local command server.
    void generateTestEvent(int eventId, const std::string& text, bool flag);
    void generateTestEvent(int eventId, const std::string& text) override {
        generateTestEvent(eventId, text, false);
    }

    // True when a registered factory handles this model exclusively.
    bool isControllerModelSupported(uint32_t chipset, uint32_t board);

  private:
    // The four JSON lists, by inventory kind.
    struct InventoryLists {
        std::vector<Json::Value> controllers;
        std::vector<Json::Value> drives;
        std::vector<Json::Value> volumes;
        std::vector<Json::Value> enclosures;
        std::vector<Json::Value>* ofKind(int kind);
    };
    // What one build gathers.
    struct InventoryRecords {
        std::vector<orbStorageControllerInfo> controllers;
        std::vector<orbDiskInfo> drives;
        std::vector<orbLogicalDiskInfo> volumes;
        std::vector<orbStorageEnclosureInfo> enclosures;
    };

    SASResourceManager();

    // True once this run was asked to stop.
    bool stopping() const;
    // The loop's end: the factories let go of their controllers and a waiting stop returns.
    void processResourceManagerStop();
    void backupInventory();
    // False when a stop cut the gathering short.
    bool getInventory(InventoryRecords& records);
    void gatherController(IorbStorageController& controller, InventoryRecords& records);
    void createJsonStringUsingJsonCpp();
    int fetchPrevInventoryOfType(int kind, std::vector<Json::Value>& out);
    void pollDevices();
    std::shared_ptr<orbSubjectShutdownNotifier> currentNotifier();

    // Guarded by buildMutex, which a build holds for its whole run.
    InventoryRecords records;
    InventoryLists inventory;
    std::mutex buildMutex;
    // The lists of the build before, for readers that arrive during a build.
    InventoryLists previousInventory;
    std::mutex prevInventoryMutex;

    std::atomic<bool> cacheBuildInProgress{false};
    std::atomic<bool> pollInProgress{false};
    std::atomic<size_t> controllerCount{0};
    // A rebuild was asked for; cleared as a build begins, so that a request made during a
    // build causes another one.
    std::atomic<bool> refreshCache{true};
    // Stops the running init() and the commands its thread runs. A stop asked for while no
    // run is active waits for the next run and ends it at once; each run rearms it as it ends.
    orbStopRequest stopSAS;
    std::atomic<bool> active{false};

    // rm_cond wakes the loop; wakeMutex is never held across a build or a poll, so a
    // controller may invalidate the cache from its own locked path at any time.
    std::mutex wakeMutex;
    std::condition_variable rm_cond;

    // The stop hand-shake: condSignal is true whenever no loop runs.
    std::mutex rmstop_cmutex;
    std::condition_variable rmstop_cond;
    bool condSignal = true;

    // Tells the factories that the service is stopping; a new one for every run, since a
    // notifier that has signalled stays closed.
    std::mutex notifierMutex;
    std::shared_ptr<orbSubjectShutdownNotifier> shutdownNotifier;
};
