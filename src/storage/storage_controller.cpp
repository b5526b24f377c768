#include "storage/storage_controller.h"

#include <new>

#include "core/log.h"
#include "storage/storage_utils.h"

namespace {
constexpr const char* kTag = "STOR_CTLR";
}  // namespace

orbStorageController::orbStorageController(uint32_t chipset, uint32_t board,
                                           const std::string& pciLocation, uint8_t familyFlags,
                                           bool foundOnFirstDiscoveryPass)
    : ChipsetID(chipset),
      BoardID(board),
      PciLocation(pciLocation),
      FamilyFlags(familyFlags),
      FoundOnFirstDiscoveryPass(foundOnFirstDiscoveryPass) {}

orbStorageController::~orbStorageController() = default;

bool orbStorageController::claimDevice(uint32_t chipset, uint32_t board,
                                       const std::string& pciLocation,
                                       bool foundOnFirstDiscoveryPass,
                                       IorbStorageController** controller) {
    return claimAs<orbStorageController>(kTag, 0xFF, chipset, board, pciLocation,
                                         foundOnFirstDiscoveryPass, controller);
}

bool orbStorageController::isSupportedModel(uint32_t chipset, uint32_t board, uint8_t familyMask,
                                            uint8_t& familyFlags) {
    std::string model;
    return getStorageControllerModel(chipset, board, familyMask, model, familyFlags);
}

void orbStorageController::logClaim(const char* tag, bool created, uint32_t chipset, uint32_t board,
                                    const std::string& pciLocation) {
    if (!created) {
        ORB_LOG_ERROR(tag, "Out of memory!");
        return;
    }
    ORB_LOG_DEBUG(tag, "Claimed device [%s 0x%x 0x%x].", pciLocation.c_str(), chipset, board);
}

int orbStorageController::discoverLogicalDiskInventory(std::vector<orbLogicalDiskInfo>&) {
    return 0;
}
int orbStorageController::discoverStorageEnclosureInventory(std::vector<orbStorageEnclosureInfo>&) {
    return 0;
}
bool orbStorageController::isMatchingController(uint32_t chipset, uint32_t board,
                                                const std::string& pciLocation,
                                                const std::string&) {
    return chipset == ChipsetID && board == BoardID && pciLocation == PciLocation;
}

bool orbStorageController::enableEvents() {
    if (isRemovalInProgress()) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    eventsFlags |= ORB_EVENTS_ENABLED;
    if (NewDevice && !FoundOnFirstDiscoveryPass) {
        // A controller that arrived while the service ran: the RMC hears of it, and of each
        // of its drives, as coming online from Offline/Critical.
        previousInfo = currentInfo;
        previousInfo.setState(ORB_STATE_OFFLINE);
        previousInfo.setHealth(ORB_HEALTH_CRITICAL);
        generateEventOnStatusChange();
        previousInfo = currentInfo;
        for (orbDiskInfo& drive : currentDrives) {
            orbDiskInfo offline = drive;
            offline.setState(ORB_STATE_OFFLINE);
            offline.setHealth(ORB_HEALTH_CRITICAL);
            generateEventOnStatusChange(drive, offline);
            // A drive whose status no poll has read yet is announced by the first poll that
            // reads it: a drive read for the first time is otherwise no news.
            const orbDiskInfo& compared = drive.getState() == ORB_STATE_UNKNOWN ? offline : drive;
            if (orbDiskInfo* previous = findPreviousDrive(drive)) {
                *previous = compared;
            } else {
                previousDrives.push_back(compared);
            }
        }
    }
    // Announced once: every later build calls this again.
    NewDevice = false;
    return true;
}
bool orbStorageController::isEventsEnabled() {
    return true;
}
void orbStorageController::disableEvents() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    eventsFlags &= ~static_cast<uint32_t>(ORB_EVENTS_ENABLED);
}

void orbStorageController::processDeviceRemoval() {
    // Once only: a second call must not drop a reference that belongs to another holder.
    if (!beginRemoval()) {
        return;
    }
    ORB_LOG_INFO(kTag, "Controller @ [%s] removal processing started.", PciLocation.c_str());
    {
        std::lock_guard<std::recursive_mutex> lock(controllerMutex);
        for (size_t i = 0; i < currentInfo.getControllerPortListSize(); ++i) {
            orbStorageControllerPortInfo port = currentInfo.getControllerPort(i);
            port.setState(ORB_STATE_OFFLINE);
            port.setHealth(ORB_HEALTH_CRITICAL);
            currentInfo.setControllerPort(i, port);
        }
        computeControllerStatus();
        if (eventsWanted(ORB_EVENTS_NO_PORT_POLL)) {
            generateEventOnStatusChange();
            previousInfo = currentInfo;
        }
        for (orbDiskInfo& drive : currentDrives) {
            if (drive.getDeviceMissing()) {
                continue;
            }
            drive.setEventInfoString(
                "Unable to determine the transport protocol of the disk drive.");
            drive.setState(ORB_STATE_OFFLINE);
            drive.setHealth(ORB_HEALTH_CRITICAL);
            orbDiskInfo* previous = findPreviousDrive(drive);
            if (eventsWanted(ORB_EVENTS_NO_DRIVE_POLL) && previous != nullptr) {
                generateEventOnStatusChange(drive, *previous);
            }
            if (previous != nullptr) {
                *previous = drive;
            } else {
                previousDrives.push_back(drive);
            }
        }
    }
    // The factory's reference; the last holder destroys the controller.
    releaseReference();
}

void orbStorageController::processDeviceAddition(IorbStorageController* other) {
    auto* replacement = dynamic_cast<orbStorageController*>(other);
    if (replacement == nullptr || replacement == this) {
        return;
    }
    std::scoped_lock lock(controllerMutex, replacement->controllerMutex);
    ChipsetID = replacement->ChipsetID;
    BoardID = replacement->BoardID;
    PciLocation = replacement->PciLocation;
    FamilyFlags = replacement->FamilyFlags;
    ports = replacement->ports;
    currentInfo = replacement->currentInfo;
    previousInfo = replacement->previousInfo;
    currentDrives = replacement->currentDrives;
    previousDrives = replacement->previousDrives;
    currentVolumes = replacement->currentVolumes;
    previousVolumes = replacement->previousVolumes;
    currentEnclosures = replacement->currentEnclosures;
    deviceNameMap = replacement->deviceNameMap;
    eventsFlags = replacement->eventsFlags;
}

uint32_t orbStorageController::getChipsetID() {
    return ChipsetID;
}
uint32_t orbStorageController::getBoardID() {
    return BoardID;
}
std::string orbStorageController::getPciLocation() {
    return PciLocation;
}
std::vector<std::string> orbStorageController::getPortVector() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return ports;
}
std::string orbStorageController::getPort(size_t index) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return index < ports.size() ? ports[index] : std::string();
}
void orbStorageController::setPort(size_t index, const std::string& port) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (index < ports.size()) {
        ports[index] = port;
    }
}
void orbStorageController::addPort(const std::string& port) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    ports.push_back(port);
}
void orbStorageController::clearPortList() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    ports.clear();
}
size_t orbStorageController::getPortListSize() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return ports.size();
}
void orbStorageController::deletePort(size_t index) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (index < ports.size()) {
        ports.erase(ports.begin() + static_cast<std::ptrdiff_t>(index));
    }
}
uint8_t orbStorageController::getFamilyFlags() {
    return FamilyFlags;
}
bool orbStorageController::getNewDevice() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return NewDevice;
}
void orbStorageController::setNewDevice(bool isNew) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    NewDevice = isNew;
}
bool orbStorageController::getFoundOnFirstDiscoveryPass() {
    return FoundOnFirstDiscoveryPass;
}
int orbStorageController::getInventory(orbStorageControllerInfo& info) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    info = currentInfo;
    return 0;
}
orbStorageControllerInfo orbStorageController::getInventory() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return currentInfo;
}
int orbStorageController::getPhysicalDrivesInventory(std::vector<orbDiskInfo>& drives) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    drives = currentDrives;
    return 0;
}
int orbStorageController::getLogicalDiskInventory(std::vector<orbLogicalDiskInfo>& volumes) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    volumes = currentVolumes;
    return 0;
}
int orbStorageController::getStorageEnclosureInventory(
    std::vector<orbStorageEnclosureInfo>& enclosures) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    enclosures = currentEnclosures;
    return 0;
}
int orbStorageController::getMaxSupportedControllerPorts() {
    return maxSupportedControllerPorts();
}
bool orbStorageController::validatePhysicalDisk(orbDiskInfo&) {
    return true;
}
void orbStorageController::populateDeviceNameMap() {}
std::string orbStorageController::getLogicalDeviceName(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    auto found = deviceNameMap.find(name);
    return found != deviceNameMap.end() ? found->second : std::string();
}
