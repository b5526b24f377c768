#include "storage/sas_resource_manager.h"

#include <time.h>

#include <cerrno>
#include <chrono>
#include <iterator>
#include <utility>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/module_names.h"
#include "core/utils.h"
#include "report/event.h"
#include "report/event_handler.h"
#include "report/inventory_aggregator.h"
#include "report/json_text.h"
#include "storage/enclosure_collation.h"
#include "storage/inventory_base.h"
#include "storage/sas_inventory_json.h"
#include "storage/sas_loop_schedule.h"
#include "storage/storage_controller_factory_interface.h"

ORB_REGISTER_RESOURCE_MANAGER(RESOURCE_SAS, SASResourceManager)

namespace {

const char* const kTag = "SAS_RM";

// Controllers are asked for status changes this often, whatever the refresh interval.
constexpr long kPollSeconds = 10;
// How long a stop waits for an idle loop to finish; a loop in the middle of a build or a poll
// is not waited for (the job manager joins the thread against its own deadline).
constexpr std::chrono::milliseconds kStopHandshakeWait{250};

long steadySeconds() {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
}

// Every controller family.
constexpr uint8_t kAllFamilies = 0xFF;

}  // namespace

std::vector<Json::Value>* SASResourceManager::InventoryLists::ofKind(int kind) {
    switch (kind) {
        case 0:
        case ORB_SAS_INVENTORY_CONTROLLERS:
            return &controllers;
        case ORB_SAS_INVENTORY_DRIVES:
            return &drives;
        case ORB_SAS_INVENTORY_VOLUMES:
            return &volumes;
        case ORB_SAS_INVENTORY_ENCLOSURES:
            return &enclosures;
        default:
            return nullptr;
    }
}

SASResourceManager::SASResourceManager() = default;

SASResourceManager* SASResourceManager::getInstance() {
    static SASResourceManager instance;
    return &instance;
}

bool SASResourceManager::stopping() const {
    return stopSAS.isRequested() || orbStopRequested();
}

std::shared_ptr<orbSubjectShutdownNotifier> SASResourceManager::currentNotifier() {
    std::lock_guard<std::mutex> lock(notifierMutex);
    return shutdownNotifier;
}

int SASResourceManager::init() {
    ORB_LOG_DEBUG(kTag, "Entry init()");
    if (active.exchange(true)) {
        ORB_LOG_WARNING(kTag, "ORB thread for SAS already active. Cannot spawn another one.");
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(rmstop_cmutex);
        condSignal = false;
    }
    refreshCache.store(true);
    auto notifier = std::make_shared<orbSubjectShutdownNotifier>("SAS_RM");
    {
        std::lock_guard<std::mutex> lock(notifierMutex);
        shutdownNotifier = notifier;
    }
    {
        orbStopScope commands(stopSAS);
        for (IorbStorageControllerFactory* factory : orbControllerFactoryRegistry::getRegistry()) {
            if (factory->initialize(notifier.get()) != 0) {
                ORB_LOG_ERROR(kTag, "Factory [%p] failed initialization process.",
                              static_cast<void*>(factory));
                factory->shutdownFactory();
            }
        }
        if (!stopping()) {
            startInventory();
        }
        processResourceManagerStop();
    }
    stopSAS.rearm();
    active.store(false);
    return 0;
}

int SASResourceManager::startInventory() {
    const long refresh = orbConfig::getInstance()->getrefreshInterval("StorageControllers");
    orbSasLoopSchedule schedule(refresh, kPollSeconds, steadySeconds());
    ORB_LOG_DEBUG(kTag, "SAS refresh interval: %ld", schedule.refreshInterval());
    ORB_LOG_DEBUG(kTag, "SAS poll interval: %ld", kPollSeconds);
    const std::chrono::seconds step(schedule.wakeStep());

    std::unique_lock<std::mutex> lock(wakeMutex);
    for (;;) {
        if (stopping()) {
            return 0;
        }
        const long now = steadySeconds();
        const bool rebuild = refreshCache.load() || schedule.refreshDue(now);
        const bool poll = schedule.pollDue(now);
        // The builds and polls run without wakeMutex, so that an invalidation never waits.
        lock.unlock();
        if (rebuild) {
            cacheBuild();
            schedule.refreshed(steadySeconds());
        }
        if (poll && !stopping()) {
            pollDevices();
            schedule.polled(steadySeconds());
        }
        lock.lock();
        timespec clockNow{};
        if (clock_gettime(CLOCK_MONOTONIC, &clockNow) != 0) {
            // Still waited for one step: leaving the loop would end storage monitoring for
            // good over one failed clock read.
            const int error = errno;
            ORB_LOG_ERROR(kTag, "Failed to get current time! (errno: %d)", error);
        }
        rm_cond.wait_for(lock, step, [this] { return stopping() || refreshCache.load(); });
    }
}

int SASResourceManager::cacheBuild() {
    ORB_LOG_DEBUG(kTag, "Building storage cache.");
    refreshCache.store(false);
    bool complete = false;
    {
        std::lock_guard<std::mutex> build(buildMutex);
        cacheBuildInProgress.store(true);
        backupInventory();
        InventoryRecords gathered;
        complete = getInventory(gathered);
        // A build cut short by a stop is not published: readers keep the last complete one.
        if (complete) {
            records = std::move(gathered);
            createJsonStringUsingJsonCpp();
            controllerCount.store(records.controllers.size());
        }
        cacheBuildInProgress.store(false);
    }
    if (!complete) {
        ORB_LOG_INFO(kTag, "Storage cache build stopped; the previous inventory is kept.");
        return -1;
    }
    if (markBuiltAndTakePush()) {
        ORB_LOG_DEBUG(kTag, "SASRM requesting cache push");
        orbJsonAggregator::sendInventory(true);
    }
    return 0;
}

void SASResourceManager::backupInventory() {
    std::lock_guard<std::mutex> lock(prevInventoryMutex);
    previousInventory = inventory;
}

bool SASResourceManager::getInventory(InventoryRecords& gathered) {
    std::vector<orbStorageEnclosureInfo> reportedEnclosures;
    for (IorbStorageControllerFactory* factory : orbControllerFactoryRegistry::getRegistry()) {
        if (stopping()) {
            return false;
        }
        orbStorageControllerList found;
        // What the SCSI folders look like as this pass reads them: a poll that finds them
        // changed since asks for the next pass.
        factory->poll();
        const int status = factory->discoverControllers(found);
        ORB_LOG_DEBUG(kTag, "discoverControllers() completed with %d.", status);
        for (const auto& controller : found) {
            if (stopping()) {
                return false;
            }
            if (controller) {
                gatherController(*controller.get(), gathered);
            }
        }
    }
    if (stopping()) {
        return false;
    }
    gathered.enclosures = orbCollateStorageEnclosures(gathered.enclosures);
    return true;
}

void SASResourceManager::gatherController(IorbStorageController& controller,
                                          InventoryRecords& gathered) {
    const auto begun = std::chrono::steady_clock::now();
    orbStorageControllerInfo info;
    controller.discoverInventory(info);
    std::vector<orbDiskInfo> drives;
    controller.discoverPhysicalDiskInventory(drives);
    std::vector<orbLogicalDiskInfo> volumes;
    controller.discoverLogicalDiskInventory(volumes);
    std::vector<orbStorageEnclosureInfo> enclosures;
    controller.discoverStorageEnclosureInventory(enclosures);
    controller.enableEvents();
    if (orbConfig::getInstance()->isRMStatisticsLoggingEnabled()) {
        const long hundredths =
            static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - begun)
                                  .count() /
                              10);
        ORB_LOG_INFO(kTag,
                     "Time taken to gather complete inventory from [%s, SN %s] @ [%s]: "
                     "[%ld.%.2ld] seconds",
                     info.getModel().c_str(), info.getSerialNumber().c_str(),
                     controller.getPciLocation().c_str(), hundredths / 100, hundredths % 100);
    }
    gathered.controllers.push_back(info);
    gathered.drives.insert(gathered.drives.end(), drives.begin(), drives.end());
    for (orbLogicalDiskInfo& volume : volumes) {
        gathered.volumes.push_back(std::move(volume));
    }
    gathered.enclosures.insert(gathered.enclosures.end(), enclosures.begin(), enclosures.end());
}

void SASResourceManager::createJsonStringUsingJsonCpp() {
    inventory = InventoryLists();
    for (const orbStorageControllerInfo& controller : records.controllers) {
        inventory.controllers.push_back(orbControllerInventoryJson(controller));
        ORB_LOG_DEBUG(kTag, "Printing controller instance %zu:    %s",
                      inventory.controllers.size() - 1,
                      orbJsonOneLine(inventory.controllers.back()).c_str());
    }
    for (const orbDiskInfo& drive : records.drives) {
        inventory.drives.push_back(orbDriveInventoryJson(drive));
        ORB_LOG_DEBUG(kTag, "Printing disk instance %zu:    %s", inventory.drives.size() - 1,
                      orbJsonOneLine(inventory.drives.back()).c_str());
    }
    for (const orbLogicalDiskInfo& volume : records.volumes) {
        inventory.volumes.push_back(orbVolumeInventoryJson(volume));
        ORB_LOG_DEBUG(kTag, "Printing logical disk instance %zu:    %s",
                      inventory.volumes.size() - 1,
                      orbJsonOneLine(inventory.volumes.back()).c_str());
    }
    for (const orbStorageEnclosureInfo& enclosure : records.enclosures) {
        inventory.enclosures.push_back(orbEnclosureInventoryJson(enclosure));
        ORB_LOG_DEBUG(kTag, "Printing storage enclosure instance %zu:    %s",
                      inventory.enclosures.size() - 1,
                      orbJsonOneLine(inventory.enclosures.back()).c_str());
    }
}

int SASResourceManager::getInventoryJsonObject(std::vector<Json::Value>&) {
    return 0;
}

int SASResourceManager::getInventoryJsonObject2(int kind, std::vector<Json::Value>& out) {
    if (InventoryLists().ofKind(kind) == nullptr) {
        ORB_LOG_WARNING(kTag, "Unsupported inventory type");
        return -1;
    }
    if (!cacheBuildInProgress.load()) {
        std::unique_lock<std::mutex> build(buildMutex, std::try_to_lock);
        if (build.owns_lock()) {
            const std::vector<Json::Value>& list = *inventory.ofKind(kind);
            out.insert(out.end(), list.begin(), list.end());
            ORB_LOG_DEBUG(kTag, "returning Inventory size: %zu", list.size());
            return 0;
        }
    }
    ORB_LOG_DEBUG(kTag, "Cache build is in progress. Returning previously saved inventory. ");
    return fetchPrevInventoryOfType(kind, out);
}

int SASResourceManager::fetchPrevInventoryOfType(int kind, std::vector<Json::Value>& out) {
    std::lock_guard<std::mutex> lock(prevInventoryMutex);
    const std::vector<Json::Value>& list = *previousInventory.ofKind(kind);
    out.insert(out.end(), list.begin(), list.end());
    ORB_LOG_DEBUG(kTag, "returning Inventory size: %zu", list.size());
    return 1;
}

void SASResourceManager::invalidateInventoryCache() {
    ORB_LOG_DEBUG(kTag, "Invalidating inventory cache.");
    refreshCache.store(true);
    {
        // Taken only to wake the loop; the loop never holds it across a build or a poll.
        std::lock_guard<std::mutex> lock(wakeMutex);
        rm_cond.notify_all();
    }
    ORB_LOG_DEBUG(kTag, "Inventory cache invalidated.");
}

void SASResourceManager::sendInventorytToRMCOnCacheBuild() {
    pushAfterNextBuild();
}

void SASResourceManager::pollDevices() {
    ORB_LOG_DEBUG(kTag, "Polling devices.");
    pollInProgress.store(true);
    for (IorbStorageControllerFactory* factory : orbControllerFactoryRegistry::getRegistry()) {
        // Each controller is held while it is polled, so a removal meanwhile cannot free it.
        orbStorageControllerList held;
        factory->getControllers(kAllFamilies, held);
        for (const auto& controller : held) {
            if (stopping()) {
                break;
            }
            controller->poll();
        }
        if (stopping()) {
            break;
        }
        // A drive or a port plugged in (or pulled) shows as a change of the SCSI folders: the
        // rebuild it asks for finds the drive, and the next poll announces it.
        if (factory->poll() > 0) {
            ORB_LOG_INFO(kTag, "SCSI hosts or devices changed; rebuilding the storage inventory.");
            invalidateInventoryCache();
        }
    }
    pollInProgress.store(false);
}

bool SASResourceManager::isRunning() {
    ORB_LOG_DEBUG(kTag,
                  "_cacheBuildInProgress = %d,ControllerInventory.size() = %zu,retryCount = %d",
                  cacheBuildInProgress.load() ? 1 : 0, controllerCount.load(), 0);
    return active.load();
}

bool SASResourceManager::isInventoryReady(int iteration) {
    const bool ready = answerReadiness(iteration);
    ORB_LOG_INFO(kTag, "SAS RM cache status %d", ready ? 1 : 0);
    return ready;
}

bool SASResourceManager::isControllerModelSupported(uint32_t chipset, uint32_t board) {
    for (IorbStorageControllerFactory* factory : orbControllerFactoryRegistry::getRegistry()) {
        for (const orbSupportedControllerModel& model : factory->getSupportedControllerModels()) {
            if (model.chipset == chipset && (model.board == 0 || model.board == board)) {
                return true;
            }
        }
    }
    return false;
}

void SASResourceManager::processResourceManagerStop() {
    ORB_LOG_DEBUG(kTag, "Resource manager stop in progress.");
    for (IorbStorageControllerFactory* factory : orbControllerFactoryRegistry::getRegistry()) {
        factory->shutdownFactory();
    }
    std::lock_guard<std::mutex> lock(rmstop_cmutex);
    condSignal = true;
    rmstop_cond.notify_all();
}

int SASResourceManager::stopResourceManagerJob() {
    ORB_LOG_DEBUG(kTag, "Resource manager stop called.");
    if (std::shared_ptr<orbSubjectShutdownNotifier> notifier = currentNotifier()) {
        notifier->signalSubjectShutdown();
    }
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        stopSAS.request();
        rm_cond.notify_all();
    }
    // An idle loop ends at once and is waited for briefly; a build or a poll under way ends at
    // its next step, and the job manager's join waits for that against its own deadline.
    const bool busy = cacheBuildInProgress.load() || pollInProgress.load();
    std::unique_lock<std::mutex> lock(rmstop_cmutex);
    const bool stopped =
        rmstop_cond.wait_for(lock, busy ? std::chrono::milliseconds(0) : kStopHandshakeWait,
                             [this] { return condSignal; });
    ORB_LOG_DEBUG(kTag, "Wait for resource manager stop completed with %d.",
                  stopped ? 0 : ETIMEDOUT);
    if (stopped) {
        ORB_LOG_DEBUG(kTag, "Resource manager stopped");
    } else {
        ORB_LOG_INFO(kTag,
                     "Resource manager is finishing its current step; its thread ends on "
                     "its own.");
    }
    return 0;
}

void SASResourceManager::generateEvent(int eventId, const std::string& location, bool failure,
                                       const orbInventoryBase& record, const std::string& source) {
    orbEventHandler::generateEvent(orbEvent(eventId, location, "SASHBA", failure,
                                            orbUtils::getTime(), "Not-Available",
                                            record.getVariableData(), source));
}

void SASResourceManager::generateEvent(int eventId, bool failure, const orbInventoryBase& record) {
    generateEvent(eventId, "NotAvailable", failure, record);
}
