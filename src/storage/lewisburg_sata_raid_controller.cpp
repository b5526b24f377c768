#include "storage/lewisburg_sata_raid_controller.h"

#include <algorithm>
#include <vector>

#include "core/log.h"
#include "core/utils.h"
#include "storage/controller_class_registry.h"
#include "storage/controller_sysfs.h"
#include "storage/imsm_platform.h"
#include "storage/storage_utils.h"

namespace {

constexpr const char* kTag = "STOR_LB";

const orbControllerClassRegistration registered(
    {"orbLewisburgSATARAIDController", &orbLewisburgSATARAIDController::claimDevice,
     &orbLewisburgSATARAIDController::refreshVendorInterfaceCache});

}  // namespace

orbLewisburgSATARAIDController::orbLewisburgSATARAIDController(uint32_t chipset, uint32_t board,
                                                               const std::string& pciLocation,
                                                               uint8_t familyFlags,
                                                               bool foundOnFirstDiscoveryPass)
    : orbStorageController(chipset, board, pciLocation, familyFlags, foundOnFirstDiscoveryPass) {}

orbLewisburgSATARAIDController::~orbLewisburgSATARAIDController() = default;

bool orbLewisburgSATARAIDController::claimDevice(uint32_t chipset, uint32_t board,
                                                 const std::string& pciLocation,
                                                 bool foundOnFirstDiscoveryPass,
                                                 IorbStorageController** controller) {
    return claimAs<orbLewisburgSATARAIDController>(kTag, ORB_FAMILY_INTEL_SATA_RAID, chipset, board,
                                                   pciLocation, foundOnFirstDiscoveryPass,
                                                   controller);
}

void orbLewisburgSATARAIDController::refreshVendorInterfaceCache(ISubject*) {}

std::string orbLewisburgSATARAIDController::discoverFirmwareVersion() {
    return getIMSMFirmwareVersion(PciLocation);
}

int orbLewisburgSATARAIDController::maxSupportedControllerPorts() {
    return getMaxSupportedSATAPorts(orbUtils::getPlatformFamily());
}

int orbLewisburgSATARAIDController::discoverPhysicalDiskSlotNumber(orbDiskInfo& disk) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    std::vector<int> portNumbers;
    for (size_t i = 0; i < ports.size(); ++i) {
        portNumbers.push_back(getATADeviceNumberForControllerPort(i));
    }
    const int bay = getDiskSlotNumberFromATADeviceNumber(
        disk.getSerialNumber(), disk.getOSSCSILink(), PciLocation, disk.getATADeviceNumber(),
        portNumbers, getMaxSupportedControllerPorts());
    if (bay >= 0) {
        disk.setSlot(std::to_string(bay));
    }
    return bay;
}

void orbLewisburgSATARAIDController::computeControllerStatus() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (!genericStatusRules) {
        // Port i of the rules is the platform's SATA port i: the SCSI hosts of the ports come
        // in the order of their host numbers, and the ports beyond those shown are offline.
        auto hostNumber = [](const std::string& path) {
            return orbNumberedPathComponent(path, "host");
        };
        std::stable_sort(ports.begin(), ports.end(),
                         [&](const std::string& a, const std::string& b) {
                             return hostNumber(a) < hostNumber(b);
                         });
        std::vector<orbStorageControllerPortInfo> records = currentInfo.getControllerPortVector();
        std::stable_sort(
            records.begin(), records.end(),
            [&](const orbStorageControllerPortInfo& a, const orbStorageControllerPortInfo& b) {
                return hostNumber(a.getOSInstanceName()) < hostNumber(b.getOSInstanceName());
            });
        currentInfo.clearControllerPortList();
        for (const orbStorageControllerPortInfo& record : records) {
            currentInfo.addControllerPort(record);
        }
    }
    orbStorageController::computeControllerStatus();
}

std::string orbLewisburgSATARAIDController::formatControllerEventInfoString(
    STORAGE_EVENT_INFO_TYPE type) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (type == STORAGE_EVENT_INFO_PORTS_ONLINE) {
        return "All ports of the Intel SATA RAID controller are now online.";
    }
    if (type != STORAGE_EVENT_INFO_PORTS_OFFLINE) {
        return std::string();
    }
    return describePortsOffline("the Intel SATA RAID controller");
}

void orbLewisburgSATARAIDController::synchronizePhysicalDrivesInventory() {
    DriveSyncRules rules;
    rules.keepUnlocatedDrivesWithLink = true;
    rules.pushOnAttributeChange = true;
    rules.describeMissingDrive = true;
    synchronizePhysicalDrives(rules);
}
