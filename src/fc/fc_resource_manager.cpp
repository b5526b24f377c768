#include "fc/fc_resource_manager.h"

#include <chrono>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/module_names.h"
#include "report/inventory_aggregator.h"
#include "report/json_text.h"

ORB_REGISTER_RESOURCE_MANAGER(RESOURCE_FC, FCResourceManager)

namespace {

const char* const kTag = "FC_RM";
const char* const kModuleName = "FibreChannelDevices";

constexpr long kDefaultRefreshSeconds = 30;
// The loop's wait step, and how long after a build the ports' states are checked.
constexpr long kPortCheckSeconds = 10;
constexpr double kMinimumRefreshGapSeconds = 3.0;

}  // namespace

FCResourceManager* FCResourceManager::getInstance() {
    static FCResourceManager instance;
    return &instance;
}

bool FCResourceManager::stopping() const {
    return stopFC.isRequested() || orbStopRequested();
}

int FCResourceManager::init() {
    ORB_LOG_INFO(kTag, "Initializing FCRM");
    // A run after a stop starts as the first one did: with a build at once.
    {
        std::lock_guard<std::mutex> lock(cmutex);
        refreshCache = true;
        checkPortState = false;
        stopFC.rearm();
    }
    lastRefreshTime.store(0);
    orbStopScope commands(stopFC);
    // The loader has no locks of its own: what this thread loaded, this thread frees, however
    // the run ends.
    struct FreeAtEnd {
        FCResourceManager* manager;
        ~FreeAtEnd() { manager->unLoadLibrary(); }
    } freeAtEnd{this};
    if (!stopping()) {
        hostMaps.initFcInfoMap();
    }
    if (!stopping()) {
        hostMaps.initFcNameMap();
    }
    if (!stopping()) {
        startInventory();
    }
    return 0;
}

int FCResourceManager::startInventory() {
    ORB_LOG_DEBUG(kTag, "Entry startInventory");
    const std::time_t last = lastRefreshTime.load();
    if (last != 0 && std::difftime(std::time(nullptr), last) < kMinimumRefreshGapSeconds) {
        ORB_LOG_DEBUG(kTag, "Cache was recently refreshed. skipping the current refresh cycle");
        return 0;
    }
    long interval = orbConfig::getInstance()->getrefreshInterval(kModuleName);
    if (interval <= 0) {
        interval = kDefaultRefreshSeconds;
    }

    // The loop wakes every 10 seconds and measures from the end of the last build, so a
    // rebuild comes once per interval and the ports are checked once per build, at the first
    // wake-up at least 10 seconds after it, however late a wake-up comes.
    bool portsChecked = false;
    std::unique_lock<std::mutex> lock(cmutex);
    for (;;) {
        if (!stopping() && !refreshCache && !checkPortState) {
            const auto deadline =
                std::chrono::system_clock::now() + std::chrono::seconds(kPortCheckSeconds);
            if (cond.wait_until(lock, deadline, [this] { return stopping() || refreshCache; })) {
                ORB_LOG_DEBUG(kTag, "FC refresh loop woken before its deadline");
            } else {
                const long elapsed =
                    static_cast<long>(std::difftime(std::time(nullptr), lastRefreshTime.load()));
                if (elapsed >= interval) {
                    refreshCache = true;
                } else if (elapsed >= kPortCheckSeconds && !portsChecked) {
                    checkPortState = true;
                }
            }
        }
        const bool stop = stopping();
        const bool rebuild = refreshCache;
        const bool check = checkPortState;
        refreshCache = false;
        checkPortState = false;
        lock.unlock();
        if (stop) {
            return 0;
        }
        if (rebuild) {
            cacheBuild();
            portsChecked = false;
        } else if (check && !fcDevices.empty()) {
            portsChecked = true;
            if (waitOnPortState(static_cast<int>(fcDevices.size()))) {
                cacheBuild();
                portsChecked = false;
            }
        }
        lock.lock();
    }
}

int FCResourceManager::cacheBuild() {
    ORB_LOG_DEBUG(kTag, "Building FC Cache");
    std::vector<PendingEvent> pending;
    bool complete = true;
    {
        std::lock_guard<std::mutex> build(mlock);
        _cacheBuildInProgress.store(true);
        // Readers that come while this build runs get the last inventory, not an empty one.
        backupInventory();
        std::vector<orbFCDeviceInfo> before = fcDevices;
        if (!before.empty()) {
            prevFcDevices = before;
        }
        fcDevices.clear();
        // A listing that failed when the thread began is asked for again, rather than leave
        // the adapters without their host facts for the whole run.
        hostMaps.initMissingMaps();
        if (!fcVendorLibraryLoaded && !loadLibrary()) {
            // No library, no adapters: the service goes on without them and tries again at
            // the next build.
            complete = false;
        } else {
            discoverInstances();
            if (NumFcaEntries <= 0) {
                ORB_LOG_INFO(kTag, "No FCA Entries Found! Cache build terminating!!!");
            }
            // The loader lists each adapter once, with all of its ports: an entry index past
            // the adapters it listed names no adapter, so the walk ends at its count.
            for (int index = 0; index < NumFcaEntries && index < NumAdapters; ++index) {
                if (stopping()) {
                    complete = false;
                    break;
                }
                orbFCDeviceInfo record;
                record.setorbFCAdapterIndex(static_cast<unsigned>(index));
                if (!openAdapter(record)) {
                    ORB_LOG_ERROR(kTag, "openAdapter() for FcaEntry %d Failed!", index);
                    continue;
                }
                if (!getFcHbaData(record)) {
                    ORB_LOG_ERROR(kTag, "getFcHbaData() for FcaEntry %d Failed!", index);
                }
                closeAdapter(record);
                portStateMap[index] = record.getorbFCStatus().FCDeviceState;
                fcDevices.push_back(record);
                int code = 0;
                bool flag = false;
                compareStatusAndFetchEventAttributes(record, code, flag);
                if (code > 0) {
                    pending.push_back({code, flag, record});
                }
            }
        }
        if (complete) {
            createJsonStringUsingJsonCpp();
        } else {
            // A build cut short says nothing about the adapters: the last build's stay, and
            // nothing is reported.
            fcDevices = before;
            pending.clear();
        }
        _cacheBuildInProgress.store(false);
        lastRefreshTime.store(std::time(nullptr));
    }
    if (stopping()) {
        ORB_LOG_INFO(kTag, "FC cache build stopped; the previous inventory is kept.");
        return -1;
    }
    // Raised outside the build lock: sending to the RMC can take long, and readers must not
    // wait for it.
    for (const PendingEvent& event : pending) {
        raiseEvent(event.code, event.flag, event.record, "ORB");
    }
    // An empty inventory is an answer too: holding readiness back would hold back every
    // other manager's events until the aggregator gives up waiting.
    if (markBuiltAndTakePush()) {
        ORB_LOG_DEBUG(kTag, "FCRM requesting cache push");
        orbJsonAggregator::sendInventory(true);
    }
    return complete ? 0 : -1;
}

void FCResourceManager::backupInventory() {
    std::lock_guard<std::mutex> lock(prevInventoryLock);
    prevFCInventory = FCInventory;
}

void FCResourceManager::createJsonStringUsingJsonCpp() {
    FCInventory.clear();
    for (const orbFCDeviceInfo& record : fcDevices) {
        Json::Value adapter;
        jsonInventory(adapter, record);
        if (orbLogWanted(orbLogKind::Debug)) {
            ORB_LOG_DEBUG(kTag, "FC adapter %s: %s", record.getorbFCAdapterName(),
                          orbJsonOneLine(adapter).c_str());
        }
        FCInventory.push_back(adapter);
    }
}

int FCResourceManager::getInventoryJsonObject(std::vector<Json::Value>& out) {
    return readInventoryOrPrevious(kTag, _cacheBuildInProgress, mlock, FCInventory,
                                   prevInventoryLock, prevFCInventory, out);
}

bool FCResourceManager::isRunning() {
    return waitForBuiltInventory(
        [this](bool& building, size_t& size) {
            std::lock_guard<std::mutex> build(mlock);
            building = _cacheBuildInProgress.load();
            size = FCInventory.size();
        },
        [](bool building, size_t size, int attempt) {
            ORB_LOG_WARNING(kTag,
                            "_cacheBuildInProgress = %d,FCInventory.size() =%zu,retryCount = %d",
                            building ? 1 : 0, size, attempt);
        });
}

bool FCResourceManager::isInventoryReady(int requester) {
    const bool ready = answerReadiness(requester);
    ORB_LOG_INFO(kTag, "FC cache status %d", ready ? 1 : 0);
    return ready;
}

int FCResourceManager::stopResourceManagerJob() {
    ORB_LOG_DEBUG(kTag, "Resource manager stop called.");
    {
        std::lock_guard<std::mutex> lock(cmutex);
        stopFC.request();
        cond.notify_all();
    }
    ORB_LOG_DEBUG(kTag, "Signalled for stop.");
    return 0;
}
