// The controller's own inventory: identity, location, firmware and its ports.
#include <cstdio>
#include <map>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/utils.h"
#include "host/pcie_manufacturer_resolver.h"
#include "host/physloc_factory.h"
#include "storage/controller_sysfs.h"
#include "storage/sas_resource_manager.h"
#include "storage/storage_controller.h"
#include "storage/storage_utils.h"

namespace {
constexpr const char* kTag = "STOR_CTLR";
}  // namespace

int orbStorageController::discoverInventory(orbStorageControllerInfo& info) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (isRemovalInProgress()) {
        ORB_LOG_INFO(kTag, "%s: Return last known inventory for removed controller.",
                     PciLocation.c_str());
        info = currentInfo;
        return 0;
    }
    ORB_LOG_INFO(kTag, "Gathering inventory for controller @ %s [0x%X, 0x%X] [%d].",
                 PciLocation.c_str(), ChipsetID, BoardID, static_cast<int>(ports.size()));

    // A port that is recovering keeps the moment it entered recovery across rebuilds, or the
    // 60-second rule would start over at every build and never be reached.
    std::map<std::string, long> recoveryStarts;
    for (const orbStorageControllerPortInfo& port : currentInfo.getControllerPortVector()) {
        recoveryStarts[port.getOSInstanceName()] = port.getLastRecoveryTimestamp();
    }

    currentInfo.setChipsetID(ChipsetID);
    currentInfo.setBoardID(BoardID);
    std::string model;
    uint8_t family = 0;
    getStorageControllerModel(ChipsetID, BoardID, 0, model, family);
    currentInfo.setModel(model);
    std::string firmware = discoverFirmwareVersion();
    if (!firmware.empty()) {
        currentInfo.setFirmwareVersion(firmware);
    }
    std::string serial = discoverSerialNumber();
    if (!serial.empty()) {
        currentInfo.setSerialNumber(serial);
    }
    std::string manufacturer;
    discoverManufacturer(manufacturer);
    currentInfo.setManufacturer(manufacturer);
    std::string partNumber;
    getHBAPartNumber(ChipsetID, BoardID, partNumber);
    currentInfo.setPartNumber(partNumber);
    currentInfo.setProtocol("SAS/SATA");

    orbPhysLocInterface* locator = orbPhysLocFactory::getPhysLocInterface();
    std::string location = locator->getPhysLocForIOSlot(PciLocation);
    std::string geoID = orbUtils::getGeoIDStr(PciLocation);
    std::string description = geoID.empty() || geoID == "NotAvailable"
                                  ? "NotAvailable"
                                  : "PCI " + PciLocation + " " + geoID;
    if (location.empty()) {
        location = "NotAvailable";
    }
    ORB_LOG_INFO(kTag, "pciloc=[%s] phyloc=[%s] Description=[%s]", PciLocation.c_str(),
                 location.c_str(), description.c_str());

    currentInfo.clearControllerPortList();
    for (size_t i = 0; i < ports.size(); ++i) {
        orbStorageControllerPortInfo port;
        port.setOSInstanceName(ports[i]);
        port.setDriverName(orbReadSysfsText(ports[i] + "/proc_name"));
        auto known = recoveryStarts.find(ports[i]);
        port.setLastRecoveryTimestamp(known != recoveryStarts.end() ? known->second : 0);
        discoverControllerPortStatus(port);
        port.setATADeviceNumber(getATADeviceNumberForControllerPort(i));
        currentInfo.addControllerPort(port);
    }
    computeControllerStatus();
    currentInfo.setPhysicalLocation(location);
    currentInfo.setDescription(description);

    if (eventsWanted(ORB_EVENTS_NO_PORT_POLL)) {
        generateEventOnStatusChange();
    }
    if (currentInfo.getPhysicalLocation() != previousInfo.getPhysicalLocation()) {
        SASResourceManager::getInstance()->sendInventorytToRMCOnCacheBuild();
    }
    previousInfo = currentInfo;
    info = currentInfo;
    return 0;
}

int orbStorageController::getHostNumberForControllerPort(size_t index) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return index < ports.size() ? orbNumberedPathComponent(ports[index], "host") : -1;
}

int orbStorageController::getATADeviceNumberForControllerPort(size_t index) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (index >= ports.size()) {
        return -1;
    }
    std::string target;
    int error = 0;
    if (!orbReadLinkTarget(orbRootPath(ports[index]), target, error)) {
        ORB_LOG_WARNING(kTag, "Unable to determine ATA port number for %s. readlink failed! (%d)",
                        ports[index].c_str(), error);
        return -1;
    }
    int number = getATADeviceNumberFromPath(target);
    if (number < 0) {
        ORB_LOG_DEBUG(kTag, "No ATA device number found for %s (%s).", ports[index].c_str(),
                      target.c_str());
    }
    return number;
}

std::string orbStorageController::discoverFirmwareVersion() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return ports.empty() ? std::string() : orbReadSysfsText(ports[0] + "/firmware_revision");
}

std::string orbStorageController::discoverSerialNumber() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    return ports.empty() ? std::string() : orbReadSysfsText(ports[0] + "/board_tracer");
}

int orbStorageController::discoverManufacturer(std::string& manufacturer) {
    // The board's subsystem vendor is known from its identity: no need to look it up.
    std::string subVendor;
    if ((BoardID & 0xFFFF) != 0) {
        char text[8];
        std::snprintf(text, sizeof(text), "%04x", BoardID & 0xFFFF);
        subVendor = text;
    }
    PCIeManufacturerResolver::fetchManufacturer(PciLocation, subVendor, manufacturer);
    return manufacturer.empty() ? -1 : 0;
}
