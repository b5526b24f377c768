// A MegaRAID controller's inventory: controller, drives and volumes from the storage library,
// and the events of the changes one discovery pass finds against the one before.
#include "megaraid/megaraid_controller.h"

#include <cstdio>
#include <map>
#include <memory>

#include "core/config.h"
#include "core/log.h"
#include "core/utils.h"
#include "host/physloc_factory.h"
#include "megaraid/io_loading_helper.h"
#include "megaraid/megaraid_cc_state.h"
#include "megaraid/sas_lsi_event.h"
#include "megaraid/storelib_names.h"
#include "storage/location_code.h"
#include "storage/sas_resource_manager.h"
#include "storage/storage_utils.h"

namespace {

constexpr const char* kTag = "STOR_MR";
constexpr uint32_t kBoard9560_16i = 0x40001000;

uint16_t high(uint32_t id) {
    return static_cast<uint16_t>(id >> 16);
}

ORB_RESOURCE_STATE driveState(const std::string& text) {
    static const std::map<std::string, ORB_RESOURCE_STATE> states = {
        {"Online", ORB_STATE_ONLINE},
        {"Unconfigured bad", ORB_STATE_UNCONFIGURED_BAD},
        {"Offline", ORB_STATE_OFFLINE},
        {"Failed", ORB_STATE_FAILED},
        {"Rebuild", ORB_STATE_REBUILD}};
    auto found = states.find(text);
    return found != states.end() ? found->second : ORB_STATE_UNKNOWN;
}

ORB_RESOURCE_STATE volumeState(const std::string& text) {
    static const std::map<std::string, ORB_RESOURCE_STATE> states = {
        {"Offline", ORB_STATE_OFFLINE},
        {"Partially degraded", ORB_STATE_PARTIALLY_DEGRADED},
        {"Degraded", ORB_STATE_DEGRADED},
        {"Optimal", ORB_STATE_OPTIMAL}};
    auto found = states.find(text);
    return found != states.end() ? found->second : ORB_STATE_UNKNOWN;
}

}  // namespace

std::mutex orbMegaRAIDController::eventsMutex;
std::atomic<bool> orbMegaRAIDController::isAENRegistered{false};
std::atomic<int> orbMegaRAIDController::totalLSICtrls{0};

orbMegaRAIDController::orbMegaRAIDController(const CTRL_INFO& info, bool foundOnFirstDiscoveryPass)
    : orbStorageController(info.chipsetId, info.boardId, info.pciLocation, ORB_FAMILY_MEGARAID,
                           foundOnFirstDiscoveryPass),
      ctrlId(info.ctrlId) {
    ++totalLSICtrls;
}

orbMegaRAIDController::~orbMegaRAIDController() {
    // Released without removal (the service stopping): no longer live either.
    if (!isRemovalInProgress()) {
        --totalLSICtrls;
    }
}

ORB_RESOURCE_HEALTH orbMegaRAIDController::getHealthEnum(int health) {
    switch (health) {
        case ORB_MR_HEALTH_GOOD:
            return ORB_HEALTH_OK;
        case ORB_MR_HEALTH_DEGRADED:
            return ORB_HEALTH_WARNING;
        case ORB_MR_HEALTH_FAILED:
            return ORB_HEALTH_CRITICAL;
        default:
            return ORB_HEALTH_UNKNOWN;
    }
}

bool orbMegaRAIDController::isMatchingController(uint32_t, uint32_t, const std::string&,
                                                 const std::string& identity) {
    // The library's controller identifier: a serial number can be empty for two boards.
    return identity == std::to_string(ctrlId);
}

std::string orbMegaRAIDController::getDeviceName() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return deviceName;
}
void orbMegaRAIDController::setDeviceName(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    deviceName = name;
}

int orbMegaRAIDController::discoverInventory(orbStorageControllerInfo& info) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (isRemovalInProgress()) {
        info = currentInfo;
        return 0;
    }
    orbStoreLibInterface* library = orbStoreLibInterface::getInstance();
    CTRL_INFO controller;
    if (!library->isInitialized() || !library->getControllerInventory(ctrlId, controller)) {
        ORB_LOG_ERROR(kTag, "Issue occurred in discovering LSI MR inventory.");
        info = currentInfo;
        return -1;
    }
    currentInfo.setSerialNumber(controller.serialNumber);
    currentInfo.setFirmwareVersion(controller.firmwareVersion);
    currentInfo.setChipsetID(controller.chipsetId);
    currentInfo.setBoardID(controller.boardId);
    currentInfo.setProtocol(controller.protocol);
    std::string model;
    uint8_t family = 0;
    getStorageControllerModel(controller.chipsetId, controller.boardId, 0, model, family);
    currentInfo.setModel(model.empty() ? controller.model : model);
    std::string partNumber;
    getHBAPartNumber(controller.chipsetId, controller.boardId, partNumber);
    currentInfo.setPartNumber(partNumber);
    std::string location =
        orbPhysLocFactory::getPhysLocInterface()->getPhysLocForIOSlot(PciLocation);
    currentInfo.setPhysicalLocation(location.empty() ? "NotAvailable" : location);
    const std::string geoID = orbUtils::getGeoIDStr(PciLocation);
    currentInfo.setDescription(geoID.empty() || geoID == "NotAvailable"
                                   ? "NotAvailable"
                                   : "PCI " + PciLocation + " " + geoID);
    std::string manufacturer;
    discoverManufacturer(manufacturer);
    currentInfo.setManufacturer(manufacturer);
    currentInfo.setDeviceName(deviceName);
    if (currentInfo.getState() == ORB_STATE_UNKNOWN) {
        // Until a firmware event says otherwise the controller runs.
        currentInfo.setState(ORB_STATE_RUNNING);
        currentInfo.setHealth(ORB_HEALTH_OK);
        currentInfo.markStatusReported();
    }
    previousInfo = currentInfo;
    info = currentInfo;
    return 0;
}

bool orbMegaRAIDController::isMegaRAID9560() const {
    return orbIOLoadingHelper::isMegaRAID9560(ChipsetID, BoardID);
}

bool orbMegaRAIDController::withholdsDevices(bool volumes) {
    if (!isMegaRAID9560()) {
        return false;
    }
    if (BoardID != kBoard9560_16i && orbUtils::getPlatformFamily() != "PLATFAM-ALPHA") {
        return false;
    }
    if (orbConfig::getInstance()->isMegaRAID9560LoadingInspectionDisabled()) {
        return true;
    }
    if (!orbIOLoadingHelper::isVexSystem()) {
        ORB_LOG_INFO(kTag,
                     volumes ? "No LD inventory will be reported for MegaRAID 9560 [%s] on "
                               "non-VEX system."
                             : "No PD inventory will be reported for MegaRAID 9560 [%s] on "
                               "non-VEX system.",
                     PciLocation.c_str());
        return true;
    }
    if (!orbIOLoadingHelper::isDeviceAndChassisIOLoadingRulesCompliant(PciLocation)) {
        ORB_LOG_INFO(kTag,
                     volumes ? "Either MegaRAID 9560 [0x%04X, 0x%04X] @ [%s] or its housing "
                               "chassis not compliant with I/O loading rules. LD inventory with "
                               "not be reported."
                             : "Either MegaRAID 9560 [0x%04X, 0x%04X] @ [%s] or its hosting "
                               "chassis not compliant with I/O loading rules. PD inventory with "
                               "not be reported.",
                     high(ChipsetID), high(BoardID), PciLocation.c_str());
        if (!ioLoadingWarningLogged) {
            ORB_LOG_WARNING(kTag,
                            "MegaRAID 9560 [0x%04X, 0x%04X] @ [%s] or its server chassis not "
                            "compliant with I/O loading rules. Physical drives and RAID volumes "
                            "attached to this controller may not be reported/monitored.",
                            high(ChipsetID), high(BoardID), PciLocation.c_str());
            ioLoadingWarningLogged = true;
        }
        return true;
    }
    return false;
}

std::string orbMegaRAIDController::drivePhysicalLocation(const PD_INFO& pd) {
    orbPhysLocInterface* locator = orbPhysLocFactory::getPhysLocInterface();
    std::string model;
    uint8_t family = 0;
    if (!getStorageControllerModel(ChipsetID, BoardID, ORB_FAMILY_MEGARAID, model, family)) {
        ORB_LOG_WARNING(
            kTag, "Unrecognized or unsupported MegaRAID controller model [%08X, %08X] @ [%s].",
            ChipsetID, BoardID, PciLocation.c_str());
    }
    int bay = pd.slot;
    if (isMegaRAID9560()) {
        int box = -1;
        int offset = -1;
        if (!orbIOLoadingHelper::getCHStorageEnclosureBoxNumberAndDriveBayOffset(PciLocation, box,
                                                                                 offset) ||
            box < 0 || offset < 0) {
            ORB_LOG_WARNING(kTag,
                            "Unable to determine CH enclosure box # [%d] and drive bay offset "
                            "[%d] for MegaRAID controller [0x%04X, 0x%04X] @ [%s] in chassis "
                            "compliant with I/O loading rules. PD PL will be reported as "
                            "FFFFFFFFFFFFFFFF.",
                            box, offset, high(ChipsetID), high(BoardID), PciLocation.c_str());
            return ORB_UNKNOWN_PHYSICAL_LOCATION;
        }
        ORB_LOG_DEBUG(kTag,
                      "MegaRAID controller [0x%04X, 0x%04X] @ [%s]: CH enclosure box # [%d] and "
                      "Drive bay offset [%d].",
                      high(ChipsetID), high(BoardID), PciLocation.c_str(), box, offset);
        bay += offset;
    }
    std::string location = locator->getPhysLocForChassisDriveSlot(PciLocation, bay);
    return location.empty() ? ORB_UNKNOWN_PHYSICAL_LOCATION : location;
}

void orbMegaRAIDController::discoverPhysicalDiskAttributes(orbDiskInfo& record, const PD_INFO& pd) {
    record.setSerialNumber(pd.serialNumber);
    record.setModel(pd.raw.product);
    std::string partNumber;
    getDiskPartNumber(pd.raw.product, partNumber);
    record.setPartNumber(partNumber);
    record.setCapacityBytes(pd.raw.blocks * 512);
    record.setProtocol(pd.interfaceType);
    record.setMediaType(pd.mediaType);
    record.setRevision(pd.raw.revision);
    record.setManufacturer(pd.vendorName);
    char slot[32];
    std::snprintf(slot, sizeof(slot), "%d:%d", pd.enclosure, pd.slot);
    record.setSlot(slot);
    record.setState(driveState(pd.fwStateText));
    record.setHealth(getHealthEnum(pd.health));
    record.setPhysicalLocation(drivePhysicalLocation(pd));
    ORB_LOG_DEBUG(kTag, "Disk on MegaRAID HBA @ pciloc=[%s] at slot=[%s]: phyloc=[%s]",
                  PciLocation.c_str(), slot, record.getPhysicalLocation().c_str());
}

void orbMegaRAIDController::discoverPhysicalDiskStatus(orbDiskInfo&) {
    // The library's drive state is the status; nothing is asked of the drive itself.
}

int orbMegaRAIDController::discoverPhysicalDiskInventory(std::vector<orbDiskInfo>& drives) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    drives.clear();
    if (isRemovalInProgress()) {
        drives = currentDrives;
        return 0;
    }
    previousDrives = currentDrives;
    currentDrives.clear();
    if (withholdsDevices(false)) {
        return 0;
    }
    ORB_LOG_DEBUG(kTag, "discoverPhysicalDiskInventory for ctrl %d", static_cast<int>(ctrlId));
    for (const PD_INFO& pd : orbStoreLibInterface::getInstance()->getPDInventoryForCtrl(ctrlId)) {
        orbDiskInfo record;
        discoverPhysicalDiskAttributes(record, pd);
        ORB_LOG_DEBUG(kTag, "discoverPhysicalDiskInventory SN:%s",
                      record.getSerialNumber().c_str());
        // A drive seen for the first time is no news; a known one keeps what the RMC was
        // last told unless this pass told it something new, so that a firmware event about a
        // change this pass did not report still raises its event.
        record.markStatusReported();
        for (const orbDiskInfo& previous : previousDrives) {
            if (previous.getSlot() == record.getSlot() &&
                previous.getSerialNumber() == record.getSerialNumber()) {
                if (!generateDriveEvent(record, previous)) {
                    record.setEventState(previous.getEventState());
                    record.setEventHealth(previous.getEventHealth());
                }
                break;
            }
        }
        currentDrives.push_back(record);
    }
    drives = currentDrives;
    return 0;
}

bool orbMegaRAIDController::generateDriveEvent(orbDiskInfo& current, const orbDiskInfo& previous) {
    if (!current.isStatusChangedFrom(previous)) {
        return false;
    }
    const std::string model = currentInfo.getModel();
    const std::string locationText = current.getPhysicalLocation();
    const char* location = locationText.c_str();
    // Decided by health: "Unconfigured bad" is as failed as "Failed", so moving between them
    // is no news.
    int eventId = 0;
    if (previous.getHealth() == ORB_HEALTH_CRITICAL && current.getHealth() == ORB_HEALTH_OK) {
        eventId = 540;
    } else if (previous.getHealth() != ORB_HEALTH_CRITICAL &&
               previous.getHealth() != ORB_HEALTH_UNKNOWN &&
               current.getHealth() == ORB_HEALTH_CRITICAL) {
        eventId = 538;
    }
    if (eventId == 0) {
        ORB_LOG_INFO(kTag,
                     "Controller [%s] @ [%s]: Physical Drive @ [%s, %s]: Event not generated for "
                     "status change.",
                     model.c_str(), PciLocation.c_str(), current.getSlot().c_str(), location);
        return false;
    }
    ORB_LOG_INFO(
        kTag,
        "Controller [%s] @ [%s]: Physical Drive @ [%s, %s]: Detected disk status change. "
        "[CurrState=%s, PrevState=%s, CurrHealth=%s, PrevHealth=%s]",
        model.c_str(), PciLocation.c_str(), current.getSlot().c_str(), location,
        orbResourceStateText(current.getState()), orbResourceStateText(previous.getState()),
        orbResourceHealthText(current.getHealth()), orbResourceHealthText(previous.getHealth()));
    if (current.getEventInfoString().empty()) {
        current.setEventInfoString(previous.getEventInfoString());
    }
    raise(eventId, eventId == 538, current, current.getPhysicalLocation());
    return true;
}

int orbMegaRAIDController::discoverLogicalDiskInventory(std::vector<orbLogicalDiskInfo>& volumes) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    volumes.clear();
    if (isRemovalInProgress()) {
        volumes = currentVolumes;
        return 0;
    }
    ORB_LOG_INFO(kTag, "Gathering volume inventory for MegaRAID controller @ %s [0x%X, 0x%X].",
                 PciLocation.c_str(), ChipsetID, BoardID);
    previousVolumes = std::move(currentVolumes);
    currentVolumes.clear();
    if (withholdsDevices(true)) {
        return 0;
    }
    for (const LD_INFO& ld : orbStoreLibInterface::getInstance()->getLDInventoryForCtrl(ctrlId)) {
        orbLogicalDiskInfo record;
        record.setRAIDLevel(ld.raidLevel);
        record.setCapacityBytes(ld.raw.blocks * 512);
        record.setState(volumeState(ld.stateText));
        record.setHealth(getHealthEnum(ld.health));
        record.setDescription(ld.raw.name);
        record.setLogicalDiskID(std::to_string(ld.targetId));
        record.setDurableName(currentInfo.getSerialNumber() + ":" + std::to_string(ld.targetId));
        for (const std::string& member : ld.memberSerials) {
            record.addPhysicalDisk(member);
        }
        record.setDeviceName(deviceName);
        record.setHostControllerPhysicalLocation(currentInfo.getPhysicalLocation());
        ORB_LOG_DEBUG(kTag, "discoverLogicalDiskInventory %d", static_cast<int>(ld.targetId));
        bool carried = false;
        bool known = false;
        bool reported = false;
        for (orbLogicalDiskInfo& previous : previousVolumes) {
            if (previous.getLogicalDiskID() != record.getLogicalDiskID()) {
                continue;
            }
            // The check running on the volume goes on across rediscovery: its findings so far
            // must reach the summary at its end.
            record.cloneConsistencyCheckState(previous);
            carried = record.getCurrentCCState() != nullptr;
            reported = generateVolumeEvent(record, previous);
            if (!reported) {
                record.setEventState(previous.getEventState());
                record.setEventHealth(previous.getEventHealth());
            }
            known = true;
            break;
        }
        if (!carried) {
            record.setCurrentCCState(
                std::make_unique<orbMegaRAIDLogicalDiskConsistencyCheckState>());
            record.setPreviousCCState(
                std::make_unique<orbMegaRAIDLogicalDiskConsistencyCheckState>());
        }
        if (!known || reported) {
            record.markStatusReported();
        }
        currentVolumes.push_back(std::move(record));
    }
    volumes = currentVolumes;
    return 0;
}

bool orbMegaRAIDController::generateVolumeEvent(orbLogicalDiskInfo& current,
                                                const orbLogicalDiskInfo& previous) {
    if (!current.isHealthChangedFrom(previous)) {
        return false;
    }
    const std::string model = currentInfo.getModel();
    ORB_LOG_INFO(
        kTag,
        "Controller [%s] @ [%s]: Logical Disk [%s]: Detected status change. "
        "[CurrState=%s, PrevState=%s, CurrHealth=%s, PrevHealth=%s]",
        model.c_str(), PciLocation.c_str(), current.getLogicalDiskID().c_str(),
        orbResourceStateText(current.getState()), orbResourceStateText(previous.getState()),
        orbResourceHealthText(current.getHealth()), orbResourceHealthText(previous.getHealth()));
    if (current.getHealth() == ORB_HEALTH_OK) {
        raise(683, false, current, currentInfo.getPhysicalLocation());
        return true;
    }
    if (current.getHealth() == ORB_HEALTH_CRITICAL) {
        raise(681, true, current, currentInfo.getPhysicalLocation());
        return true;
    }
    ORB_LOG_INFO(kTag,
                 "Controller [%s] @ [%s]: Logical Disk [%s]: Event not generated for status "
                 "change.",
                 model.c_str(), PciLocation.c_str(), current.getLogicalDiskID().c_str());
    return false;
}

void orbMegaRAIDController::raise(int eventId, bool critical, orbInventoryBase& record,
                                  const std::string& location) {
    // A device the RMC cannot place gets no event: it could not tell which one is meant.
    if (!orbIsValidPhysicalLocation(location)) {
        ORB_LOG_WARNING(kTag, "Event %d not raised: no physical location for the device.", eventId);
        return;
    }
    SASResourceManager::getInstance()->generateEvent(eventId, location, critical, record);
    inventoryChanged = true;
}

bool orbMegaRAIDController::enableEvents() {
    if (isRemovalInProgress()) {
        return false;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(controllerMutex);
        eventsFlags |= ORB_EVENTS_ENABLED;
        NewDevice = false;
    }
    std::lock_guard<std::mutex> lock(eventsMutex);
    if (!isAENRegistered.load() && orbStoreLibInterface::getInstance()->isInitialized()) {
        // Set only on success, so a later pass tries again.
        isAENRegistered.store(orbSASLSIEvent::getInstance()->RegisterForAEN(&handleEvent));
    }
    return isAENRegistered.load();
}

bool orbMegaRAIDController::isEventsEnabled() {
    return isAENRegistered.load();
}

void orbMegaRAIDController::disableEvents() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    eventsFlags &= ~static_cast<uint32_t>(ORB_EVENTS_ENABLED);
}

void orbMegaRAIDController::poll() {
    // Status changes arrive as firmware events.
}

void orbMegaRAIDController::processDeviceAddition(IorbStorageController*) {}

void orbMegaRAIDController::processDeviceRemoval() {
    if (!beginRemoval()) {
        return;
    }
    ORB_LOG_INFO(kTag, "Controller @ [%s] removal processing started.", PciLocation.c_str());
    if (--totalLSICtrls == 0) {
        std::lock_guard<std::mutex> lock(eventsMutex);
        if (isAENRegistered.load()) {
            ORB_LOG_INFO(kTag, "Unregistering AEN for all LSI MegaRAID controllers.");
            orbSASLSIEvent::getInstance()->UnregisterForAEN();
            isAENRegistered.store(false);
            ORB_LOG_INFO(kTag, "No more LSI MegaRAID controllers remaining.");
        }
    }
    releaseReference();
}
