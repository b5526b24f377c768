#include "nvme/nvme_resource_manager.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/module_names.h"
#include "core/utils.h"
#include "nvme/nvme_event_manager.h"
#include "nvme/nvme_inventory_json.h"
#include "nvme/nvme_inventory_manager.h"
#include "nvme/nvme_vmware_interface.h"
#include "report/event.h"
#include "report/event_handler.h"
#include "report/inventory_aggregator.h"
#include "report/json_text.h"
#include "storage/sas_inventory_json.h"
#include "storage/sas_loop_schedule.h"

ORB_REGISTER_RESOURCE_MANAGER(RESOURCE_NVME, NVMeResourceManager)

namespace {

const char* const kTag = "NVMe_RM";

// Every device's SMART log is read this often, whatever the refresh interval.
constexpr long kPollSeconds = 10;
// How long a stop waits for the loop to finish; commands under way are killed at the stop
// request, so the loop ends within a fraction of a second.
constexpr std::chrono::milliseconds kStopHandshakeWait{250};

long steadySeconds() {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
}

// Clears a flag on every way out of a scope.
class FlagScope {
  public:
    explicit FlagScope(std::atomic<bool>& flag) : flag(flag) { flag.store(true); }
    ~FlagScope() { flag.store(false); }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

  private:
    std::atomic<bool>& flag;
};

void renderJson(const std::vector<orbStorageControllerInfo>& controllers,
                const std::vector<orbNVMeDiskInfo>& drives, std::vector<Json::Value>& controllerOut,
                std::vector<Json::Value>& driveOut) {
    const bool debug = orbLogWanted(orbLogKind::Debug);
    for (const orbStorageControllerInfo& controller : controllers) {
        controllerOut.push_back(orbControllerInventoryJson(controller));
        if (debug) {
            ORB_LOG_DEBUG(kTag, "Printing controller instance %zu:    %s", controllerOut.size() - 1,
                          orbJsonOneLine(controllerOut.back()).c_str());
        }
    }
    for (const orbNVMeDiskInfo& drive : drives) {
        driveOut.push_back(orbNvmeDriveInventoryJson(drive));
        if (debug) {
            ORB_LOG_DEBUG(kTag, "Printing disk instance %zu:    %s", driveOut.size() - 1,
                          orbJsonOneLine(driveOut.back()).c_str());
        }
    }
}

}  // namespace

NVMeResourceManager::NVMeResourceManager()
    : nvmeController(orbNvmeVmwareInterface::getInstance()),
      inventoryManager(orbNvmeInventoryManager::getInstance()),
      eventManager(orbNvmeEventManager::getInstance()) {}

NVMeResourceManager* NVMeResourceManager::getInstance() {
    static NVMeResourceManager instance;
    return &instance;
}

bool NVMeResourceManager::stopping() const {
    return stopNVMe.isRequested() || orbStopRequested();
}

int NVMeResourceManager::init() {
    ORB_LOG_DEBUG(kTag, "Entered init");
    if (active.exchange(true)) {
        ORB_LOG_WARNING(kTag, "ORB thread for NVMe already active. Cannot spawn another one.");
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(rmstop_cmutex);
        condSignal = false;
    }
    refreshCache.store(true);
    nvmeController.rearm();
    // A run after a stop starts afresh: the health of devices polled by an earlier run says
    // nothing about them now.
    inventoryManager->clear();
    {
        orbStopScope commands(stopNVMe);
        if (!stopping()) {
            startInventory();
        }
        processResourceManagerStop();
    }
    stopNVMe.rearm();
    active.store(false);
    return 0;
}

int NVMeResourceManager::startInventory() {
    ORB_LOG_DEBUG(kTag, "reached startInventory");
    const long refresh = orbConfig::getInstance()->getrefreshInterval("NVMeControllers");
    // Timed on a clock that only goes forward, so that a step of the wall clock never stops
    // the polls.
    orbSasLoopSchedule schedule(refresh, kPollSeconds, steadySeconds());
    ORB_LOG_DEBUG(kTag, "NVMe refresh interval: %ld", schedule.refreshInterval());
    ORB_LOG_DEBUG(kTag, "NVMe poll interval: %ld", kPollSeconds);
    const std::chrono::seconds step(schedule.wakeStep());

    std::unique_lock<std::mutex> lock(rm_cmutex);
    for (;;) {
        if (stopping()) {
            refreshCache.store(false);
            return 0;
        }
        const long now = steadySeconds();
        const bool rebuild = refreshCache.load() || schedule.refreshDue(now);
        const bool poll = schedule.pollDue(now);
        lock.unlock();
        if (rebuild) {
            cacheBuild();
            schedule.refreshed(steadySeconds());
        }
        // A poll right after a rebuild still compares with the health last polled, so a
        // change the rebuild read is reported, and a refresh never delays a poll.
        if (poll && !stopping()) {
            pollDevices();
            schedule.polled(steadySeconds());
        }
        lock.lock();
        rm_cond.wait_for(lock, step, [this] { return stopping() || refreshCache.load(); });
    }
}

int NVMeResourceManager::cacheBuild() {
    ORB_LOG_DEBUG(kTag, "Building storage cache.");
    refreshCache.store(false);
    bool complete = false;
    {
        std::lock_guard<std::mutex> build(cache_lock);
        FlagScope building(_cacheBuildInProgress);
        backupInventory();
        std::vector<orbStorageControllerInfo> controllers;
        std::vector<orbNVMeDiskInfo> drives;
        // A build that failed or was cut short by a stop is not published: readers keep the
        // last complete one.
        complete = getInventory(controllers, drives) == 0;
        if (complete) {
            std::vector<Json::Value> controllerOut;
            std::vector<Json::Value> driveOut;
            renderJson(controllers, drives, controllerOut, driveOut);
            controllerList = std::move(controllers);
            diskList = std::move(drives);
            controllerJson = std::move(controllerOut);
            diskJson = std::move(driveOut);
        }
    }
    if (!complete) {
        ORB_LOG_INFO(kTag, "NVMe cache build did not complete; the previous inventory is kept.");
        return -1;
    }
    if (markBuiltAndTakePush()) {
        ORB_LOG_DEBUG(kTag, "NVMeRM requesting cache push");
        orbJsonAggregator::sendInventory(true);
    }
    return 0;
}

void NVMeResourceManager::backupInventory() {
    std::lock_guard<std::mutex> lock(prevInventoryLock);
    prevControllerJson = controllerJson;
    prevDiskJson = diskJson;
}

int NVMeResourceManager::getInventory(std::vector<orbStorageControllerInfo>& controllers,
                                      std::vector<orbNVMeDiskInfo>& drives) {
    std::vector<std::string> names;
    if (nvmeController.discoverNvmeControllers(names) != 0) {
        // An unreadable listing says nothing about the drives: the inventory built before
        // stays. Before any, the host is taken as one without NVMe drives, so that the
        // manager is ready and the rest of the inventory goes out.
        if (inventoryReady.load()) {
            return -1;
        }
        names.clear();
    }
    numControllers.store(static_cast<int>(names.size()));
    if (names.empty()) {
        // A host without NVMe drives has a complete, empty NVMe inventory.
        if (!warningMessageLoggedAlready.exchange(true)) {
            ORB_LOG_WARNING(kTag,
                            "discoverNvmeControllers() completed, zero NVMe cards identified");
        }
    }
    std::vector<orbStorageControllerInfo> foundControllers;
    if (nvmeController.discoverControllerInventory(foundControllers, names) < 0) {
        return -1;
    }
    std::vector<orbNVMeDiskInfo> foundDrives;
    if (nvmeController.discoverPhysicalDiskInventory(foundDrives, names) < 0) {
        return -1;
    }
    inventoryManager->saveControllerInventory(foundControllers);
    inventoryManager->savePhysicalDiskInventory(foundDrives);
    inventoryManager->fetchInventory(controllers, drives);
    ORB_LOG_DEBUG(kTag, "controllerList : size is %d", static_cast<int>(controllers.size()));
    ORB_LOG_DEBUG(kTag, "diskList size is %d", static_cast<int>(drives.size()));
    return 0;
}

void NVMeResourceManager::pollDevices() {
    ORB_LOG_DEBUG(kTag, "Polling devices.");
    FlagScope polling(pollInProgress);
    std::vector<orbStorageControllerInfo> controllers;
    std::vector<orbNVMeDiskInfo> drives;
    inventoryManager->fetchInventory(controllers, drives);
    // The health each device was last polled with; a rebuild since then read the devices
    // afresh, and a change it saw must still be reported.
    std::vector<orbStorageControllerInfo> polledControllers;
    std::vector<orbNVMeDiskInfo> polledDrives;
    inventoryManager->fetchBackupInventory(polledControllers, polledDrives);

    for (orbStorageControllerInfo controller : controllers) {
        if (stopping()) {
            return;
        }
        const std::string name = controller.getDeviceName();
        orbNvmeSmartInfo smart;
        nvmeController.fetchNVMeHealthInfo(name, smart);
        // Paired by adapter name: serial numbers may be empty or repeated.
        auto drive = std::find_if(drives.begin(), drives.end(), [&](const orbNVMeDiskInfo& d) {
            return d.getDeviceName() == name;
        });
        if (drive == drives.end()) {
            ORB_LOG_WARNING(kTag, "NVMe drive inventory for %s not found", name.c_str());
            continue;
        }
        if (!smart.isKnown()) {
            ORB_LOG_WARNING(kTag, "Health of %s could not be read; its status is left as it was.",
                            name.c_str());
            continue;
        }
        auto polled = std::find_if(
            polledControllers.begin(), polledControllers.end(),
            [&](const orbStorageControllerInfo& c) { return c.getDeviceName() == name; });
        if (polled != polledControllers.end()) {
            controller.setState(polled->getState());
            controller.setHealth(polled->getHealth());
        }
        if (eventManager->trackStatusChange(controller, *drive, smart)) {
            inventoryManager->updateInventory(smart);
        }
    }
    if (stopping()) {
        return;
    }
    inventoryManager->fetchInventory(controllers, drives);
    inventoryManager->backupInventory(controllers, drives);
    publish(controllers, drives);

    // An adapter pulled or plugged in shows at the next poll rather than at the next refresh.
    if (adaptersChanged(controllers)) {
        ORB_LOG_INFO(kTag, "NVMe adapters changed; rebuilding the NVMe inventory.");
        pushAfterNextBuild();
        invalidateInventoryCache();
    }
}

bool NVMeResourceManager::adaptersChanged(
    const std::vector<orbStorageControllerInfo>& controllers) {
    std::vector<std::string> listed;
    if (nvmeController.discoverNvmeControllers(listed) != 0) {
        return false;
    }
    std::vector<std::string> known;
    for (const orbStorageControllerInfo& controller : controllers) {
        known.push_back(controller.getDeviceName());
    }
    std::sort(listed.begin(), listed.end());
    std::sort(known.begin(), known.end());
    return listed != known;
}

void NVMeResourceManager::publish(const std::vector<orbStorageControllerInfo>& controllers,
                                  const std::vector<orbNVMeDiskInfo>& drives) {
    std::vector<Json::Value> controllerOut;
    std::vector<Json::Value> driveOut;
    renderJson(controllers, drives, controllerOut, driveOut);
    std::lock_guard<std::mutex> lock(cache_lock);
    controllerList = controllers;
    diskList = drives;
    controllerJson = std::move(controllerOut);
    diskJson = std::move(driveOut);
}

int NVMeResourceManager::getInventoryJsonObject(std::vector<Json::Value>&) {
    return 0;
}

int NVMeResourceManager::getInventoryJsonObject2(int kind, std::vector<Json::Value>& out) {
    ORB_LOG_DEBUG(kTag, "reached getInventoryJsonObject2");
    if (kind != 0 && kind != 1 && kind != 2) {
        ORB_LOG_WARNING(kTag, "Unsupported inventory type");
        return 0;
    }
    if (!_cacheBuildInProgress.load()) {
        std::unique_lock<std::mutex> build(cache_lock, std::try_to_lock);
        if (build.owns_lock()) {
            const std::vector<Json::Value>& list = kind == 2 ? diskJson : controllerJson;
            out.insert(out.end(), list.begin(), list.end());
            ORB_LOG_DEBUG(kTag, "returning Inventory size: %zu", list.size());
            return 0;
        }
    }
    ORB_LOG_DEBUG(kTag, "Cache build is in progress. Returning previously saved inventory.");
    fetchPrevInventoryOfType(kind, out);
    return 0;
}

void NVMeResourceManager::fetchPrevInventoryOfType(int kind, std::vector<Json::Value>& out) {
    std::lock_guard<std::mutex> lock(prevInventoryLock);
    if (kind == 0 || kind == 1) {
        out.insert(out.end(), prevControllerJson.begin(), prevControllerJson.end());
    } else if (kind == 2) {
        out.insert(out.end(), prevDiskJson.begin(), prevDiskJson.end());
    } else {
        ORB_LOG_WARNING(kTag, "Unsupported inventory type");
    }
}

bool NVMeResourceManager::isRunning() {
    constexpr int kAttempts = 3;
    constexpr std::chrono::seconds kRetryWait{5};
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        bool building = _cacheBuildInProgress.load();
        size_t size = 0;
        {
            std::unique_lock<std::mutex> build(cache_lock, std::try_to_lock);
            building = building || !build.owns_lock();
            if (build.owns_lock()) {
                size = controllerJson.size();
            }
        }
        if (!building && (size != 0 || numControllers.load() < 1)) {
            return true;
        }
        ORB_LOG_WARNING(kTag,
                        "_cacheBuildInProgress = %d,ControllerInventory.size() =%zu, "
                        "retryCount = %d",
                        building ? 1 : 0, size, attempt);
        if (stopping()) {
            break;
        }
        std::this_thread::sleep_for(kRetryWait);
    }
    return false;
}

bool NVMeResourceManager::isInventoryReady(int requester) {
    const bool ready = answerReadiness(requester);
    ORB_LOG_INFO(kTag, "NVMe RM cache status %d", ready ? 1 : 0);
    return ready;
}

void NVMeResourceManager::invalidateInventoryCache() {
    ORB_LOG_DEBUG(kTag, "Invalidating inventory cache.");
    refreshCache.store(true);
    {
        std::lock_guard<std::mutex> lock(rm_cmutex);
        rm_cond.notify_all();
    }
    ORB_LOG_DEBUG(kTag, "Inventory cache invalidated.");
}

void NVMeResourceManager::sendInventorytToRMCOnCacheBuild() {
    ORB_LOG_DEBUG(kTag, "Signalling for inventory push to RMC on cache build.");
    pushAfterNextBuild();
    ORB_LOG_DEBUG(kTag, "Signalled inventory push.");
}

void NVMeResourceManager::processResourceManagerStop() {
    ORB_LOG_DEBUG(kTag, "Resource manager stop in progress.");
    std::lock_guard<std::mutex> lock(rmstop_cmutex);
    condSignal = true;
    rmstop_cond.notify_all();
}

int NVMeResourceManager::stopResourceManagerJob() {
    ORB_LOG_DEBUG(kTag, "Resource manager stop called.");
    numControllers.store(0);
    {
        std::lock_guard<std::mutex> lock(rm_cmutex);
        stopNVMe.request();
        nvmeController.notifyNvmeRMStop();
        rm_cond.notify_all();
    }
    ORB_LOG_DEBUG(kTag, "Signalled for stop.");
    // condSignal holds whenever no loop runs, so a stop with no loop never waits; a loop ends
    // within a fraction of a second of the request, and the job manager's join waits for a
    // slower one against its own deadline.
    std::unique_lock<std::mutex> lock(rmstop_cmutex);
    const bool stopped =
        rmstop_cond.wait_for(lock, kStopHandshakeWait, [this] { return condSignal; });
    ORB_LOG_DEBUG(kTag, "Wait for resource manager stop completed with %d.", stopped ? 0 : 1);
    if (stopped) {
        ORB_LOG_DEBUG(kTag, "Resource manager stopped.");
    } else {
        ORB_LOG_INFO(kTag,
                     "Resource manager is finishing its current step; its thread ends on "
                     "its own.");
    }
    return 0;
}

void NVMeResourceManager::generateEvent(int eventId, const std::string& location, bool critical,
                                        const orbInventoryBase& record, const std::string& source) {
    orbEventHandler::generateEvent(orbEvent(eventId, location, "NVMeHBA", critical,
                                            orbUtils::getTime(), "NotAvailable",
                                            record.getVariableData(), source));
}
