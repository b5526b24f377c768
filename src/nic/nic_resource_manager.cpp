#include "nic/nic_resource_manager.h"

#include <time.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/module_names.h"
#include "core/platform_path.h"
#include "core/shell_command.h"
#include "core/utils.h"
#include "nic/nic_physical_adapter.h"
#include "nic/nic_port_listing.h"
#include "report/event_handler.h"
#include "report/inventory_aggregator.h"
#include "report/json_text.h"

ORB_REGISTER_RESOURCE_MANAGER(RESOURCE_NIC, NICResourceManager)

namespace {

const char* const kTag = "NIC_RM";
const char* const kPortListFile = "/opt/vex/orb/data/orb_niclist.txt";
const char* const kModuleName = "EthernetDevices";

constexpr long kDefaultRefreshSeconds = 30;
// The link check's wait step, and how long after a build it comes.
constexpr long kLinkCheckSeconds = 10;
constexpr double kMinimumRefreshGapSeconds = 3.0;
// A host lists a few dozen ports; a listing far beyond that is not the tool's.
constexpr size_t kListingLimit = 1 << 20;

constexpr int kEventOfflineCritical = 678;
constexpr int kEventLinkLost = 1384;

}  // namespace

NICResourceManager* NICResourceManager::getInstance() {
    static NICResourceManager instance;
    return &instance;
}

bool NICResourceManager::stopping() const {
    return stopNIC.isRequested() || orbStopRequested();
}

int NICResourceManager::init() {
    ORB_LOG_INFO(kTag, "Initializing NICRM");
    // A run after a stop starts as the first one did: with a build at once. A stop asked for
    // before this run began reaches it through the job manager's stop of the run.
    {
        std::lock_guard<std::mutex> lock(rm_cmutex);
        refreshCache = true;
        checkNICState = false;
        stopNIC.rearm();
    }
    lastRefreshTime.store(0);
    orbStopScope commands(stopNIC);
    if (!stopping()) {
        startInventory();
    }
    return 0;
}

int NICResourceManager::startInventory() {
    ORB_LOG_DEBUG(kTag, "Entry startInventory");
    const std::time_t last = lastRefreshTime.load();
    if (last != 0) {
        ORB_LOG_DEBUG(kTag, "Attempting to refresh Cache.");
        if (std::difftime(std::time(nullptr), last) < kMinimumRefreshGapSeconds) {
            ORB_LOG_DEBUG(kTag, "cache was recently refreshed. skipping the current refresh cycle");
            return 0;
        }
    }
    long interval = orbConfig::getInstance()->getrefreshInterval(kModuleName);
    if (interval <= 0) {
        interval = kDefaultRefreshSeconds;
    }

    // The link is checked once per build, at the first wake-up at least 10 seconds after it:
    // a wake-up that comes late must not skip the check.
    bool linkChecked = false;
    std::unique_lock<std::mutex> lock(rm_cmutex);
    for (;;) {
        if (!stopping() && !refreshCache && !checkNICState) {
            timespec now{};
            if (clock_gettime(CLOCK_REALTIME, &now) != 0) {
                const int error = errno;
                // Released before the log and the return: a stop takes this lock.
                lock.unlock();
                ORB_LOG_ERROR(kTag, "Failed to get current time! (errno: %d)", error);
                return -1;
            }
            const std::time_t deadline = now.tv_sec + kLinkCheckSeconds;
            const bool woken = rm_cond.wait_until(lock,
                                                  std::chrono::system_clock::from_time_t(deadline) +
                                                      std::chrono::nanoseconds(now.tv_nsec),
                                                  [this] { return stopping() || refreshCache; });
            if (!woken) {
                const long elapsed = static_cast<long>(deadline - lastRefreshTime.load());
                if (elapsed >= interval) {
                    refreshCache = true;
                } else if (elapsed >= kLinkCheckSeconds && !linkChecked) {
                    checkNICState = true;
                }
            }
        }
        const bool stop = stopping();
        const bool rebuild = refreshCache;
        const bool check = checkNICState;
        refreshCache = false;
        checkNICState = false;
        lock.unlock();
        if (stop) {
            return 0;
        }
        if (rebuild) {
            ORB_LOG_DEBUG(kTag, "Refreshing Ethernet cache");
            cacheBuild();
            linkChecked = false;
        } else if (check) {
            ORB_LOG_DEBUG(kTag, "Polling for interface link state change.");
            linkChecked = true;
            if (checkLinkState()) {
                cacheBuild();
                linkChecked = false;
            }
        }
        lock.lock();
    }
}

int NICResourceManager::cacheBuild() {
    ORB_LOG_DEBUG(kTag, "Building NIC Cache");
    bool complete = false;
    {
        std::lock_guard<std::mutex> build(mlock);
        _cacheBuildInProgress.store(true);
        backupInventory();
        complete = getInventory();
        if (complete) {
            createJsonStringUsingJsonCpp();
        } else {
            // A listing that failed, or a build cut short by a stop, says nothing about the
            // ports: the previous build's stay, and nothing is compared.
            std::lock_guard<std::mutex> previous(prevInventoryLock);
            _NICInfo = _prevNICInfo;
        }
        _cacheBuildInProgress.store(false);
        lastRefreshTime.store(std::time(nullptr));
    }
    if (stopping()) {
        ORB_LOG_INFO(kTag, "NIC cache build stopped; the previous inventory is kept.");
        return -1;
    }
    if (complete && inventoryReady.load()) {
        compareStatusAndGenerateEvent();
    }
    if (markBuiltAndTakePush()) {
        ORB_LOG_DEBUG(kTag, "NICRM requesting cache push");
        orbJsonAggregator::sendInventory(true);
    }
    ORB_LOG_DEBUG(kTag, "Exiting CacheBuild");
    return complete ? 0 : -1;
}

void NICResourceManager::backupInventory() {
    std::lock_guard<std::mutex> lock(prevInventoryLock);
    prevNICInventory = NICInventory;
    _prevNICInfo = _NICInfo;
}

bool NICResourceManager::getInventory() {
    _NICInfo.clear();
    std::vector<std::vector<std::string>> rows;
    if (getInterfaceDetails(rows) != 0) {
        return false;
    }
    if (rows.empty()) {
        ORB_LOG_INFO(kTag, "No NIC found!");
    }
    for (std::vector<std::string>& row : rows) {
        // Each port runs localcli; a stop between them ends the build.
        if (stopping()) {
            return false;
        }
        PhyAdapterInventory record;
        if (NICPhysicalAdapter::discoverPhyAdapterInventory(record, row) >= 0) {
            _NICInfo.push_back(record);
        }
    }
    return !stopping();
}

int NICResourceManager::runIntoListFile(const std::string& command,
                                        std::vector<std::string>& lines) {
    lines.clear();
    const std::string path = orbRootPath(kPortListFile);
    // Written afresh each time: rows of an earlier listing must never be read again.
    int status = orbRunShellCommand(command + " > " + orbShellQuote(path));
    bool read = status == 0 && nic_read_listing_file(path, kListingLimit, lines);
    std::remove(path.c_str());
    if (status == 0 && !read) {
        lines.clear();
        status = 1;
    }
    return status;
}

int NICResourceManager::getInterfaceDetails(std::vector<std::vector<std::string>>& rows) {
    rows.clear();
    std::vector<std::string> lines;
    if (runIntoListFile("localcli network nic list", lines) != 0) {
        ORB_LOG_ERROR(kTag, "Error occurred in gathering network interface information.");
        return -1;
    }
    std::vector<size_t> refused;
    const int result = nic_parse_port_listing(lines, rows, refused);
    if (result == NIC_LISTING_NO_HEADER) {
        ORB_LOG_ERROR(kTag, "Unable to find NIC information.");
        return -1;
    }
    if (result != NIC_LISTING_OK) {
        ORB_LOG_ERROR(kTag, "An error occurred while trying to fetch NIC information");
        return -1;
    }
    for (size_t line : refused) {
        ORB_LOG_WARNING(kTag,
                        "Network port listing line %zu has a port name or PCI address of an "
                        "unexpected form; port skipped.",
                        line);
    }
    return 0;
}

bool NICResourceManager::checkLinkState() {
    ORB_LOG_DEBUG(kTag, "Getting list of interfaces");
    std::vector<std::string> lines;
    const int status =
        runIntoListFile("localcli network nic list | /usr/bin/awk '{print$1, $5}'", lines);
    if (status != 0) {
        ORB_LOG_ERROR(kTag, "Error occurred in checking link state information : %s",
                      orbShellResultText(status).c_str());
        return false;
    }
    bool changed = false;
    {
        std::lock_guard<std::mutex> build(mlock);
        for (const auto& link : nic_parse_link_lines(lines)) {
            for (const PhyAdapterInventory& record : _NICInfo) {
                if (record.getIntfName() == link.first && record.getLinkStatus() != link.second) {
                    ORB_LOG_DEBUG(kTag, "Found a status change");
                    changed = true;
                }
            }
        }
    }
    if (!changed) {
        ORB_LOG_DEBUG(kTag, "No status change");
    }
    return changed;
}

void NICResourceManager::compareStatusAndGenerateEvent() {
    struct Pending {
        int code;
        bool flag;
        PhyAdapterInventory record;
    };
    std::vector<Pending> pending;
    {
        std::lock_guard<std::mutex> build(mlock);
        std::lock_guard<std::mutex> previous(prevInventoryLock);
        ORB_LOG_DEBUG(kTag, "Entry compare size of current inventory %d, size of prev inventory %d",
                      static_cast<int>(_NICInfo.size()), static_cast<int>(_prevNICInfo.size()));
        for (const PhyAdapterInventory& current : _NICInfo) {
            for (const PhyAdapterInventory& before : _prevNICInfo) {
                if (before.getIntfName() != current.getIntfName()) {
                    continue;
                }
                if (before.getState() != current.getState() ||
                    before.getHealth() != current.getHealth()) {
                    int condition = -1;
                    NICPhysicalAdapter::fetchNICAdapterCondition(
                        current.getState(), current.getHealth(), before.getState(),
                        before.getHealth(), current.getIntfName(), condition);
                    int code = 0;
                    bool flag = false;
                    NICPhysicalAdapter::setEventAttributes(condition, code, flag);
                    if (code != 0) {
                        pending.push_back({code, flag, current});
                    }
                }
                break;
            }
        }
    }
    // Raised outside the locks: sending to the RMC can take long, and readers must not wait.
    for (const Pending& event : pending) {
        generateEvent(event.code, event.record.getIntfName(), event.flag,
                      event.record.getPhyLocation(), event.record);
    }
}

void NICResourceManager::generateEvent(int eventCode, const std::string& name, bool flag,
                                       const std::string& location,
                                       const PhyAdapterInventory& record,
                                       const std::string& source) {
    ORB_LOG_DEBUG(kTag, "Raising event %d for %s", eventCode, name.c_str());
    orbEventHandler::generateEvent(orbEvent(eventCode, location, "NICEVENT", flag,
                                            orbUtils::getTime(), "Not Available",
                                            getVariableData(record, eventCode), source));
}

void NICResourceManager::populateInventory(Json::Value& out, const PhyAdapterInventory& record) {
    out = Json::Value(Json::objectValue);
    out["Model"] = record.getNICModel();
    out["SerialNumber"] = record.getSerialNumber();
    out["PartNumber"] = record.getPartNumber();
    out["FirmwareVersion"] = record.getFirmVersion();
    out["MACAddress"] = record.getMACAddress();
    out["SpeedMbps"] = record.getSpeed();
    out["Manufacturer"] = record.getManufacturer();
    Json::Value oem(Json::objectValue);
    oem["DeviceName"] = record.getDeviceName();
    oem["Description"] = record.getPCIDescription();
    oem["PhysicalLocation"] = record.getPhyLocation();
    out["Oem"] = oem;
    Json::Value status(Json::objectValue);
    status["State"] = record.getState();
    status["Health"] = record.getHealth();
    out["Status"] = status;
}

Json::Value NICResourceManager::getVariableData(const PhyAdapterInventory& record, int eventId) {
    Json::Value data;
    populateInventory(data, record);
    data.removeMember("Status");
    Json::Value variable(Json::objectValue);
    variable["Data"] = data;
    variable["Type"] = "EthernetDevice";
    variable["EventInfo"] = getDescription(eventId);
    return variable;
}

std::string NICResourceManager::getDescription(int eventId) {
    switch (eventId) {
        case kEventOfflineCritical:
            return "Errors detected on NIC, use 'ip' command for status. Refer to syslog for "
                   "further details.";
        case kEventLinkLost:
            return "The connectivity between the Ethernet port and the switch has been lost.";
        case 0:
            return "Injected Event";
        default:
            return "";
    }
}

void NICResourceManager::createJsonStringUsingJsonCpp() {
    NICInventory.clear();
    for (size_t index = 0; index < _NICInfo.size(); ++index) {
        Json::Value port;
        populateInventory(port, _NICInfo[index]);
        if (orbLogWanted(orbLogKind::Debug)) {
            ORB_LOG_DEBUG(kTag, "Printing Ethernet Instance %zu:    %s", index,
                          orbJsonOneLine(port).c_str());
        }
        NICInventory.push_back(port);
    }
}

int NICResourceManager::getInventoryJsonObject(std::vector<Json::Value>& out) {
    return readInventoryOrPrevious(kTag, _cacheBuildInProgress, mlock, NICInventory,
                                   prevInventoryLock, prevNICInventory, out);
}

bool NICResourceManager::isRunning() {
    return waitForBuiltInventory(
        [this](bool& building, size_t& size) {
            std::lock_guard<std::mutex> build(mlock);
            building = _cacheBuildInProgress.load();
            size = NICInventory.size();
        },
        [](bool building, size_t size, int attempt) {
            ORB_LOG_WARNING(kTag,
                            "_cacheBuildInProgress = %d,NICInventory.size() =%zu, retryCount = %d",
                            building ? 1 : 0, size, attempt);
        });
}

bool NICResourceManager::isInventoryReady(int requester) {
    const bool ready = answerReadiness(requester);
    ORB_LOG_INFO(kTag, "NIC resource status %d", ready ? 1 : 0);
    return ready;
}

int NICResourceManager::stopResourceManagerJob() {
    ORB_LOG_DEBUG(kTag, "Resource manager stop called.");
    {
        std::lock_guard<std::mutex> lock(rm_cmutex);
        stopNIC.request();
        rm_cond.notify_all();
    }
    ORB_LOG_DEBUG(kTag, "Signalled for stop.");
    return 0;
}

void NICResourceManager::generateTestEvent(int eventId, const std::string& arg) {
    (void)arg;
    // A port of the Intel E810-XXV, whose part number the adapter table gives per platform.
    const std::string family = orbUtils::getPlatformFamily();
    PhyAdapterInventory sample;
    sample.setNICModel("Intel Ethernet Network Adapter E810-XXV for SFP");
    sample.setFirmVersion("3.2d 0x80000b5c 0.0.0");
    sample.setMACAddress("08:00:69:17:A1:64");
    sample.setIntfName("/sys/class/net/eth0");
    sample.setDeviceName("eth0");
    sample.setManufacturer("Intel Corporation");
    sample.setPCIDescription(family == "PLATFAM-ALPHA" ? "PCI 0000:c3:00.0 r001i01s00"
                                                       : "PCI 0000:c3:00.0 r001u01p0i00");
    sample.setPartNumber(NICPhysicalAdapter::getPartNumValue("8086", "159b", "8086", "0003"));
    sample.setState("Online");
    sample.setHealth("OK");
    generateEvent(eventId, sample.getDeviceName(), false, "Not Available", sample, "ORB-CLI");
}
