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
    if (controller == nullptr) {
        return false;
    }
    *controller = nullptr;
    std::string model;
    uint8_t familyFlags = 0;
    if (!getStorageControllerModel(chipset, board, 0xFF, model, familyFlags)) {
        return false;
    }
    auto* created = new (std::nothrow)
        orbStorageController(chipset, board, pciLocation, familyFlags, foundOnFirstDiscoveryPass);
    if (created == nullptr) {
        ORB_LOG_ERROR(kTag, "Out of memory!");
        return false;
    }
    ORB_LOG_DEBUG(kTag, "Claimed device [%s 0x%x 0x%x].", pciLocation.c_str(), chipset, board);
    *controller = created;
    return true;
}

// The remaining operations are filled in with the controller's discovery and polling.
int orbStorageController::discoverInventory(orbStorageControllerInfo& info) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    info = currentInfo;
    return 0;
}
int orbStorageController::discoverPhysicalDiskInventory(std::vector<orbDiskInfo>& drives) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    drives = currentDrives;
    return 0;
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
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    eventsFlags |= ORB_EVENTS_ENABLED;
    return !isRemovalInProgress();
}
bool orbStorageController::isEventsEnabled() {
    return true;
}
void orbStorageController::disableEvents() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    eventsFlags &= ~ORB_EVENTS_ENABLED;
}
void orbStorageController::poll() {}
void orbStorageController::processDeviceRemoval() {
    if (beginRemoval()) {
        releaseReference();
    }
}
void orbStorageController::processDeviceAddition(IorbStorageController*) {}
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
    return NewDevice;
}
void orbStorageController::setNewDevice(bool isNew) {
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
int orbStorageController::getHostNumberForControllerPort(size_t) {
    return -1;
}
int orbStorageController::getATADeviceNumberForControllerPort(size_t) {
    return -1;
}
int orbStorageController::getMaxSupportedControllerPorts() {
    return maxSupportedControllerPorts();
}
std::string orbStorageController::discoverFirmwareVersion() {
    return {};
}
std::string orbStorageController::discoverSerialNumber() {
    return {};
}
int orbStorageController::discoverManufacturer(std::string&) {
    return -1;
}
void orbStorageController::discoverControllerPortStatus(orbStorageControllerPortInfo&) {}
int orbStorageController::discoverPhysicalDiskSlotNumber(orbDiskInfo&) {
    return -1;
}
int orbStorageController::discoverPhysicalDiskManufacturer(orbDiskInfo, std::string&) {
    return -1;
}
void orbStorageController::discoverPhysicalDiskStatus(orbDiskInfo&) {}
bool orbStorageController::validatePhysicalDisk(orbDiskInfo&) {
    return true;
}
void orbStorageController::computeControllerStatus() {}
std::string orbStorageController::formatControllerEventInfoString(STORAGE_EVENT_INFO_TYPE) {
    return {};
}
void orbStorageController::populateDeviceNameMap() {}
std::string orbStorageController::getLogicalDeviceName(const std::string&) {
    return {};
}
void orbStorageController::synchronizePhysicalDrivesInventory() {}
void orbStorageController::synchronizeLogicalDiskInventory() {}
bool orbStorageController::generateEventOnStatusChange() {
    return false;
}
bool orbStorageController::generateEventOnStatusChange(orbDiskInfo&, const orbDiskInfo&) {
    return false;
}
