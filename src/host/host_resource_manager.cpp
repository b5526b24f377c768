#include "host/host_resource_manager.h"

#include <sys/sysinfo.h>
#include <time.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/module_names.h"
#include "core/platform_path.h"
#include "core/utils.h"
#include "core/version.h"
#include "host/esxtop_memory.h"
#include "host/platform_check.h"
#include "host/system_interface_factory.h"
#include "report/event_handler.h"
#include "report/inventory_aggregator.h"

ORB_REGISTER_RESOURCE_MANAGER(RESOURCE_HOST, HostResourceManager)

namespace {

const char* const kTag = "HOST_RM";

// The host facts change slowly; the inventory is rebuilt once a minute.
constexpr long kRefreshSeconds = 60;
// A refresh asked for this soon after a build is skipped.
constexpr double kMinimumRefreshGapSeconds = 3.0;

// Host events raised from the start-up file.
constexpr int kEventOSBoot = 356;
constexpr int kEventGracefulShutdown = 359;
constexpr int kEventUngracefulShutdown = 360;

std::string startupPath(const char* fileName) {
    return orbRootPath(platformCheck::getStartupFilePath() + fileName);
}

}  // namespace

HostResourceManager* HostResourceManager::getInstance() {
    static HostResourceManager instance;
    return &instance;
}

HostResourceManager::HostResourceManager()
    : startupFile(startupPath("ORBStartup.txt"), startupPath("ORBStartuptmp.txt")) {}

int HostResourceManager::init() {
    ORB_LOG_DEBUG(kTag, "Entry init()");
    if (active.exchange(true)) {
        ORB_LOG_WARNING(kTag, "ORB thread for host already active. Cannot spawn another one.");
        return 0;
    }
    // A run after a stop starts as the first one did: with a build at once. A stop asked for
    // before this run began reaches it through the job manager's stop of the run, which this
    // thread is under.
    {
        std::lock_guard<std::mutex> lock(cmutex);
        refreshCache = true;
        stopHost.rearm();
    }
    lastRefreshTime.store(0);
    {
        orbStopScope commands(stopHost);
        if (stopping()) {
            ORB_LOG_INFO(kTag, "Host resource manager stopped before it started.");
        } else {
            orbStartUpFileOperations(OP_START);
            genOSBootLogic();
            startInventory();
        }
    }
    {
        std::lock_guard<std::mutex> lock(startupLock);
        startRecorded = false;
        stopRecorded = false;
    }
    active.store(false);
    return 0;
}

bool HostResourceManager::stopping() const {
    return stopHost.isRequested() || orbStopRequested();
}

void HostResourceManager::orbStartUpFileOperations(ORBOperation operation) {
    std::lock_guard<std::mutex> lock(startupLock);
    if (operation == OP_STOP) {
        if (startRecorded && !stopRecorded) {
            startupFile.recordStop(currentStartTime, std::time(nullptr));
            stopRecorded = true;
        }
        return;
    }
    currentStartTime = std::time(nullptr);
    struct sysinfo info {};
    if (sysinfo(&info) != 0) {
        int error = errno;
        ORB_LOG_WARNING(kTag, "Unable to fetch system Up Time - %d, %d : %s", -1, error,
                        std::strerror(error));
        orbUtils::setSystemCurrentBootTime(currentStartTime - 1);
    } else {
        orbUtils::setSystemCurrentBootTime(currentStartTime - info.uptime);
    }
    // Judged from the previous run's record before a stop can replace it with this run's.
    bootVerdict = startupFile.judgeBoot(orbUtils::getSystemCurrentBootTime());
    startupFile.recordStart(currentStartTime);
    startRecorded = true;
    stopRecorded = false;
}

void HostResourceManager::genOSBootLogic() {
    orbBootVerdict verdict;
    {
        std::lock_guard<std::mutex> lock(startupLock);
        verdict = bootVerdict;
    }
    switch (verdict) {
        case orbBootVerdict::NothingToReport:
            break;
        case orbBootVerdict::RestartAfterOrderlyStop:
            ORB_LOG_DEBUG(kTag, "ORB crashed in current boot so do nothing in point 2");
            break;
        case orbBootVerdict::RestartAfterUncleanEnd:
            ORB_LOG_DEBUG(kTag, "ORB crashed in current boot so do nothing in point 3");
            break;
        case orbBootVerdict::RebootAfterOrderlyStop:
            ORB_LOG_INFO(kTag, "In gen OS boot logic.Last shutdown was graceful.");
            raiseHostEvent(kEventGracefulShutdown);
            raiseHostEvent(kEventOSBoot);
            break;
        case orbBootVerdict::RebootAfterUncleanEnd:
            ORB_LOG_INFO(kTag, "In gen OS boot logic.Last shutdown was not-graceful.");
            raiseHostEvent(kEventUngracefulShutdown);
            raiseHostEvent(kEventOSBoot);
            break;
    }
    ORB_LOG_DEBUG(kTag,
                  "After sending OS boots events, we can set current_start to last_start "
                  "otherwise it will happen during ORB shutdown. And in case of crash it won't "
                  "happen.");
    std::lock_guard<std::mutex> lock(startupLock);
    // A stop recorded meanwhile has already made this run's start the last start.
    if (!stopRecorded) {
        startupFile.promoteCurrentStart();
    }
}

void HostResourceManager::raiseHostEvent(int eventId) {
    orbEventHandler::generateEvent(orbEvent(eventId, "NotApplicable", "Host", false,
                                            orbUtils::getTime(), "Not-Available", "ORB"));
}

int HostResourceManager::startInventory() {
    ORB_LOG_DEBUG(kTag, "Entry startInventory");
    const std::time_t last = lastRefreshTime.load();
    if (last != 0) {
        ORB_LOG_DEBUG(kTag, "Attempting to refresh Cache.");
        if (std::difftime(std::time(nullptr), last) < kMinimumRefreshGapSeconds) {
            ORB_LOG_DEBUG(kTag, "cache was recently refreshed. skipping the current refresh cycle");
            return 0;
        }
    }

    std::unique_lock<std::mutex> lock(cmutex);
    for (;;) {
        while (!stopping() && !refreshCache) {
            timespec now{};
            if (clock_gettime(CLOCK_REALTIME, &now) != 0) {
                ORB_LOG_ERROR(kTag, "Failed to get current time! (errno: %d)", errno);
                return -1;
            }
            auto deadline =
                std::chrono::system_clock::now() + std::chrono::seconds(kRefreshSeconds);
            bool woken =
                cond.wait_until(lock, deadline, [this] { return stopping() || refreshCache; });
            if (!woken && std::chrono::system_clock::to_time_t(deadline) - lastRefreshTime.load() >
                              kRefreshSeconds - 1) {
                refreshCache = true;
            }
        }
        const bool stop = stopping();
        const bool rebuild = refreshCache;
        refreshCache = false;
        lock.unlock();
        if (stop) {
            orbStartUpFileOperations(OP_STOP);
            return 0;
        }
        if (rebuild) {
            cacheBuild();
        }
        lock.lock();
    }
}

int HostResourceManager::cacheBuild() {
    ORB_LOG_DEBUG(kTag, "Starting Host resource manager cache build.");
    // Device discovery reads the host's PCI hardware list; keep it current. A refresh that
    // fails keeps the last good list.
    if (orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface()) {
        os->populateHardwarePCIDetails();
    }
    // A build cut short by a stop is not published: readers keep the last complete one.
    bool complete = !stopping();
    if (complete) {
        std::lock_guard<std::mutex> build(mlock);
        _cacheBuildInProgress.store(true);
        backupInventory();
        hostInfoList.clear();
        complete = populateHostInfo();
        if (complete) {
            populateCollectionInfo();
            createJsonStringUsingJsonCpp();
            lastRefreshTime.store(std::time(nullptr));
        }
        _cacheBuildInProgress.store(false);
    }
    if (!complete) {
        ORB_LOG_INFO(kTag, "Host cache build stopped; the previous inventory is kept.");
        return -1;
    }
    if (markBuiltAndTakePush()) {
        ORB_LOG_DEBUG(kTag, "hostRM Requesting cache push");
        orbJsonAggregator::sendInventory(true);
    }
    ORB_LOG_DEBUG(kTag, "Exiting CacheBuild");
    return 0;
}

void HostResourceManager::backupInventory() {
    std::lock_guard<std::mutex> lock(prevInventoryLock);
    prevHostInventory = HostInventory;
}

bool HostResourceManager::populateHostInfo() {
    ORB_LOG_DEBUG(kTag, " Populating host information.");
    orbHostOSInfo info;
    info.setHostName(orbUtils::readHostName());
    // Each localcli and esxtop run can take long; a stop between them ends the collection.
    info.setOSName(orbUtils::readHostOSName());
    if (stopping()) {
        return false;
    }
    info.setOSVersion(orbUtils::readHostOSVersion());
    if (stopping()) {
        return false;
    }
    info.setOSDescription(orbUtils::readHostOSDescription());
    info.setOrbSwVersion(ORB_VERSION);
    int osType = 36;
    orbUtils::getOSType(&osType);
    info.setOSType(osType);
    info.setIPv4Addresses(orbUtils::updateAndFetchIPAddresses());
    std::vector<double> memory = getTotalPhysicalMemory();
    if (stopping()) {
        return false;
    }
    if (memory.size() >= 2) {
        info.setOSMemorySummary(memory[0], memory[1]);
    } else {
        info.setOSMemorySummary(0.0, 0.0);
    }
    hostInfoList.push_back(info);
    return true;
}

void HostResourceManager::populateCollectionInfo() {
    collectionInfo.setCollectionType("RemoteSupport");
    collectionInfo.setCollectionFrequencyMin(
        static_cast<int>(orbConfig::getInstance()->getInventoryPushIntervalSettings()));
    collectionInfo.setLastCollection(orbUtils::getDateTime());
}

std::vector<double> HostResourceManager::getTotalPhysicalMemory() {
    return orbReadEsxtopMemoryGiB();
}

void HostResourceManager::createJsonStringUsingJsonCpp() {
    if (hostInfoList.empty()) {
        return;
    }
    HostInventory.clear();
    const orbHostOSInfo& info = hostInfoList.front();

    Json::Value host(Json::objectValue);
    host["HostName"] = info.getHostName();
    host["OSName"] = info.getOSName();
    host["OSVersion"] = info.getOSVersion();
    host["OSDescription"] = info.getOSDescription();
    host["OSType"] = info.getOSType();
    host["OrbSwVersion"] = info.getOrbSwVersion();
    host["OSSoftwareSummary"] = Json::Value();
    Json::Value memory(Json::objectValue);
    memory["TotalSystemMemoryGiB"] = info.getOSMemorySummary().getTotalSystemMemGiB();
    memory["TotalFreeSystemMemoryGiB"] = info.getOSMemorySummary().getTotalFreeSystemMemoryGiB();
    host["OSMemorySummary"] = memory;
    Json::Value addresses(Json::arrayValue);
    for (const std::string& address : info.getIPv4Addresses().getIPv4Address()) {
        Json::Value entry(Json::objectValue);
        entry["Address"] = address;
        addresses.append(entry);
    }
    if (addresses.empty()) {
        Json::Value loopback(Json::objectValue);
        loopback["Address"] = "127.0.0.1";
        addresses.append(loopback);
    }
    host["IPv4Addresses"] = addresses;

    Json::Value collection;  // null unless collected for remote support
    if (collectionInfo.getCollectionType() == "RemoteSupport") {
        collection = Json::Value(Json::objectValue);
        collection["CollectionType"] = collectionInfo.getCollectionType();
        collection["CollectionFrequencyMin"] = collectionInfo.getCollectionFrequencyMin();
        collection["LastCollection"] = collectionInfo.getLastCollection();
    }

    inventoryRoot = Json::Value(Json::objectValue);
    inventoryRoot["HostOSInfo"] = host;
    inventoryRoot["CollectionInfo"] = collection;
    HostInventory.push_back(inventoryRoot);
}

int HostResourceManager::getInventoryJsonObject(std::vector<Json::Value>& out) {
    return readInventoryOrPrevious(kTag, _cacheBuildInProgress, mlock, HostInventory,
                                   prevInventoryLock, prevHostInventory, out);
}

bool HostResourceManager::isRunning() {
    return waitForBuiltInventory(
        [this](bool& building, size_t& size) {
            std::lock_guard<std::mutex> build(mlock);
            building = _cacheBuildInProgress.load();
            size = HostInventory.size();
        },
        [](bool building, size_t size, int attempt) {
            ORB_LOG_WARNING(kTag,
                            "_cacheBuildInProgress = %d,HostInventory.size() =%zu,retryCount =%d",
                            building ? 1 : 0, size, attempt);
        });
}

bool HostResourceManager::isInventoryReady(int requester) {
    const bool ready = answerReadiness(requester);
    ORB_LOG_INFO(kTag, "Host cache ready %d", ready ? 1 : 0);
    return ready;
}

int HostResourceManager::stopResourceManagerJob() {
    ORB_LOG_DEBUG(kTag, "Resource manager stop called.");
    {
        std::lock_guard<std::mutex> lock(cmutex);
        stopHost.request();
        cond.notify_all();
    }
    // Recorded here rather than left to the loop, which may be held up in a slow step.
    orbStartUpFileOperations(OP_STOP);
    ORB_LOG_DEBUG(kTag, "Signalled for stop.");
    return 0;
}

void HostResourceManager::generateTestEvent(int eventId) {
    orbEventHandler::generateEvent(orbEvent(eventId, "NotApplicable", "Host", false,
                                            orbUtils::getTime(), "Not-Available", Json::Value(),
                                            "ORB-CLI"));
}
