#pragma once

#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "core/resource_manager.h"
#include "core/stop_request.h"
#include "nvme/nvme_controller.h"
#include "nvme/nvme_disk_info.h"
#include "storage/controller_info.h"

class orbInventoryBase;
class orbNvmeInventoryManager;
class orbNvmeEventManager;

// The resource manager of directly attached NVMe drives: one controller record and one drive
// record per NVMe adapter of the host, rebuilt at the "NVMeControllers" interval, each
// device's SMART log polled every 10 seconds, and a health change raised as a controller event
// (835, 836, 837) and a drive event (540, 539, 538).
class NVMeResourceManager : public orbResourceManager {
  public:
    static NVMeResourceManager* getInstance();

    int cacheBuild() override;
    int stopResourceManagerJob() override;
    int init() override;
    int startInventory() override;
    int getInventoryJsonObject(std::vector<Json::Value>& out) override;
    // Kind 0 or 1: controllers; 2: drives.
    int getInventoryJsonObject2(int kind, std::vector<Json::Value>& out) override;
    bool isRunning() override;
    bool isInventoryReady(int requester) override;

    // One health poll: every device's SMART log read once, changes raised and stored. Run by
    // the manager's loop every 10 seconds.
    void pollDevices();

    // Asks for a rebuild, which the loop starts at once.
    void invalidateInventoryCache();
    // The next completed build pushes the inventory to the RMC.
    void sendInventorytToRMCOnCacheBuild();

    // Raises an NVMe event about record, with its variable data, placed at location.
    static void generateEvent(int eventId, const std::string& location, bool critical,
                              const orbInventoryBase& record, const std::string& source = "ORB");
    // A sample event (835, 836 or 837) asked for by the local command server.
    void generateTestEvent(int eventId, const std::string& description, bool flag);
    void generateTestEvent(int eventId, const std::string& description) override {
        generateTestEvent(eventId, description, false);
    }

  private:
    NVMeResourceManager();

    bool stopping() const;
    void processResourceManagerStop();
    void backupInventory();
    // 0 with the records (none when the host has no NVMe device); -1 when the listing failed
    // or a stop cut the discovery short.
    int getInventory(std::vector<orbStorageControllerInfo>& controllers,
                     std::vector<orbNVMeDiskInfo>& drives);
    // True when the adapters the host lists now differ from those of the inventory.
    bool adaptersChanged(const std::vector<orbStorageControllerInfo>& controllers);
    // Renders the records and makes them current, under cache_lock.
    void publish(const std::vector<orbStorageControllerInfo>& controllers,
                 const std::vector<orbNVMeDiskInfo>& drives);
    void fetchPrevInventoryOfType(int kind, std::vector<Json::Value>& out);

    orbNvmeController nvmeController;
    orbNvmeInventoryManager* inventoryManager;
    orbNvmeEventManager* eventManager;

    // Guarded by cache_lock, which a build holds for its whole run and a poll while it
    // swaps in what it rendered.
    std::vector<orbStorageControllerInfo> controllerList;
    std::vector<orbNVMeDiskInfo> diskList;
    std::vector<Json::Value> controllerJson;
    std::vector<Json::Value> diskJson;
    std::mutex cache_lock;
    // The JSON of the build before, for readers that arrive during a build.
    std::vector<Json::Value> prevControllerJson;
    std::vector<Json::Value> prevDiskJson;
    std::mutex prevInventoryLock;

    std::atomic<bool> _cacheBuildInProgress{false};
    std::atomic<bool> pollInProgress{false};
    std::atomic<int> numControllers{0};
    std::atomic<bool> refreshCache{true};
    std::atomic<bool> warningMessageLoggedAlready{false};
    // Stops the running init() and the commands its thread runs. A stop asked for while no
    // run is active ends the next run at once; each run rearms it as it ends.
    orbStopRequest stopNVMe;
    std::atomic<bool> active{false};

    // rm_cond wakes the loop; rm_cmutex is never held across a build or a poll.
    std::mutex rm_cmutex;
    std::condition_variable rm_cond;

    // The stop hand-shake: condSignal is true whenever no loop runs.
    std::mutex rmstop_cmutex;
    std::condition_variable rmstop_cond;
    bool condSignal = true;
};
