#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "storage/storage_controller_interface.h"

// What a controller event text describes.
enum STORAGE_EVENT_INFO_TYPE {
    STORAGE_EVENT_INFO_NONE = 0,
    STORAGE_EVENT_INFO_PORTS_ONLINE = 1,
    STORAGE_EVENT_INFO_PORTS_DEGRADED = 2,
    STORAGE_EVENT_INFO_PORTS_OFFLINE = 3,
};

// Bits of a controller's events flags.
enum : uint32_t {
    ORB_EVENTS_NO_PORT_POLL = 1,
    ORB_EVENTS_NO_DRIVE_POLL = 2,
    ORB_EVENTS_ENABLED = 4,
};

// One SAS/SATA controller on the PCI bus, managed through sysfs and the drives' SCSI generic
// devices: its inventory, its ports' and drives' status, and the events of their changes.
// Controller classes for particular chips derive from it and replace some of the steps.
// Every operation on the records holds the controller's recursive mutex for its whole run.
class orbStorageController : public IorbStorageController {
  public:
    // The creation hook controller discovery calls for a host nobody else claimed: a new
    // controller for a model of the supported-model table (any family), else false and null.
    static bool claimDevice(uint32_t chipset, uint32_t board, const std::string& pciLocation,
                            bool foundOnFirstDiscoveryPass, IorbStorageController** controller);

    int discoverInventory(orbStorageControllerInfo& info) override;
    int discoverPhysicalDiskInventory(std::vector<orbDiskInfo>& drives) override;
    int discoverLogicalDiskInventory(std::vector<orbLogicalDiskInfo>& volumes) override;
    int discoverStorageEnclosureInventory(
        std::vector<orbStorageEnclosureInfo>& enclosures) override;
    bool isMatchingController(uint32_t chipset, uint32_t board, const std::string& pciLocation,
                              const std::string& identity) override;
    bool enableEvents() override;
    bool isEventsEnabled() override;
    void disableEvents() override;
    void poll() override;
    void processDeviceRemoval() override;
    void processDeviceAddition(IorbStorageController* other) override;
    uint32_t getChipsetID() override;
    uint32_t getBoardID() override;
    std::string getPciLocation() override;
    std::vector<std::string> getPortVector() override;
    std::string getPort(size_t index) override;
    void setPort(size_t index, const std::string& port) override;
    void addPort(const std::string& port) override;
    void clearPortList() override;
    size_t getPortListSize() override;
    void deletePort(size_t index) override;
    uint8_t getFamilyFlags() override;
    bool getNewDevice() override;
    void setNewDevice(bool isNew) override;
    bool getFoundOnFirstDiscoveryPass() override;
    int getInventory(orbStorageControllerInfo& info) override;
    orbStorageControllerInfo getInventory() override;
    int getPhysicalDrivesInventory(std::vector<orbDiskInfo>& drives) override;
    int getLogicalDiskInventory(std::vector<orbLogicalDiskInfo>& volumes) override;
    int getStorageEnclosureInventory(std::vector<orbStorageEnclosureInfo>& enclosures) override;

    // The number after "/host" in port index's path; -1 when there is none.
    virtual int getHostNumberForControllerPort(size_t index);
    // The number after "/ata" in the target of port index's link; -1 when there is none.
    virtual int getATADeviceNumberForControllerPort(size_t index);

    // The number of ports the board has; 0: as many as were discovered.
    int getMaxSupportedControllerPorts();

  protected:
    orbStorageController(uint32_t chipset, uint32_t board, const std::string& pciLocation,
                         uint8_t familyFlags, bool foundOnFirstDiscoveryPass);

    // The claim of a controller class: a new Controller for a model of the supported-model
    // table in one of familyMask's families, else false and null. tag names the class in the
    // log.
    template <typename Controller>
    static bool claimAs(const char* tag, uint8_t familyMask, uint32_t chipset, uint32_t board,
                        const std::string& pciLocation, bool foundOnFirstDiscoveryPass,
                        IorbStorageController** controller);
    static bool isSupportedModel(uint32_t chipset, uint32_t board, uint8_t familyMask,
                                 uint8_t& familyFlags);
    static void logClaim(const char* tag, bool created, uint32_t chipset, uint32_t board,
                         const std::string& pciLocation);
    ~orbStorageController() override;

    // Steps of discovery and polling that controller classes replace.
    virtual std::string discoverFirmwareVersion();
    virtual std::string discoverSerialNumber();
    virtual int discoverManufacturer(std::string& manufacturer);
    virtual void discoverControllerPortStatus(orbStorageControllerPortInfo& port);
    // The drive's bay number; -1 when it has none.
    virtual int discoverPhysicalDiskSlotNumber(orbDiskInfo& disk);
    virtual int discoverPhysicalDiskManufacturer(orbDiskInfo disk, std::string& manufacturer);
    virtual void discoverPhysicalDiskStatus(orbDiskInfo& disk);
    virtual bool validatePhysicalDisk(orbDiskInfo& disk);
    virtual void computeControllerStatus();
    virtual std::string formatControllerEventInfoString(STORAGE_EVENT_INFO_TYPE type);
    // The text of ports gone offline: "At least N-1 of N ports of <controller> ...", N being
    // the ports the board has when known, else those discovered; the single-port text for one.
    std::string describePortsOffline(const char* controller);
    virtual void populateDeviceNameMap();
    virtual std::string getLogicalDeviceName(const std::string& name);
    virtual void synchronizePhysicalDrivesInventory();
    virtual void synchronizeLogicalDiskInventory();

    // Raises the controller event of a health change between the previous and the current
    // record; true when one was raised.
    bool generateEventOnStatusChange();
    // Raises the drive event of a state change between two records of one drive; true when
    // one was raised.
    bool generateEventOnStatusChange(orbDiskInfo& current, const orbDiskInfo& previous);

    // How a controller class merges a discovery pass with the previous one, beyond the
    // matching by location and serial number that every class shares.
    struct DriveSyncRules {
        // A previous drive without a location is still followed by its SCSI address.
        bool keepUnlocatedDrivesWithLink = false;
        // A drive that kept its serial number but changed otherwise is pushed again.
        bool pushOnAttributeChange = false;
        // A drive no longer found says so in its event text.
        bool describeMissingDrive = false;
    };
    void synchronizePhysicalDrives(const DriveSyncRules& rules);
    // Reads the health of a drive found for the first time (or replaced) and, when asked,
    // announces it; gives the record later polls compare the drive against.
    orbDiskInfo assessNewDrive(orbDiskInfo& drive, bool announce);

    // What controller classes override through getMaxSupportedControllerPorts().
    virtual int maxSupportedControllerPorts() { return 0; }

    // One entry of the SCSI device tree as a drive of this controller: false when the entry is
    // not one (another controller's, a volume, not a disk) or cannot be read.
    bool discoverPhysicalDisk(const std::string& address, orbDiskInfo& disk);
    // The previous record of the drive: the one at the same physical location, or, for a
    // drive whose location is unknown, the one behind the same SCSI address; null when none.
    orbDiskInfo* findPreviousDrive(const orbDiskInfo& drive);
    // True while events are on and the given kind of polling is not suppressed.
    bool eventsWanted(uint32_t noPollFlag) const {
        return (eventsFlags & (ORB_EVENTS_ENABLED | noPollFlag)) == ORB_EVENTS_ENABLED;
    }

    uint32_t ChipsetID;
    uint32_t BoardID;
    std::string PciLocation;
    std::vector<std::string> ports;
    uint8_t FamilyFlags;
    bool NewDevice = true;
    bool FoundOnFirstDiscoveryPass = false;
    orbStorageControllerInfo currentInfo;
    std::vector<orbDiskInfo> currentDrives;
    std::map<std::string, std::string> deviceNameMap;
    uint32_t eventsFlags = 0;
    orbStorageControllerInfo previousInfo;
    std::vector<orbDiskInfo> previousDrives;
    std::vector<orbLogicalDiskInfo> currentVolumes;
    std::vector<orbLogicalDiskInfo> previousVolumes;
    std::vector<orbStorageEnclosureInfo> currentEnclosures;
    // The drives the latest discovery scan found, before synchronisation turns them into the
    // current drives.
    std::vector<orbDiskInfo> discoveredDrives;
    std::recursive_mutex controllerMutex;
    // 1 after a controller-failed event, 0 after a controller-healthy-again event.
    int failureEventSent = -1;
};

template <typename Controller>
bool orbStorageController::claimAs(const char* tag, uint8_t familyMask, uint32_t chipset,
                                   uint32_t board, const std::string& pciLocation,
                                   bool foundOnFirstDiscoveryPass,
                                   IorbStorageController** controller) {
    if (controller == nullptr) {
        return false;
    }
    *controller = nullptr;
    uint8_t familyFlags = 0;
    if (!isSupportedModel(chipset, board, familyMask, familyFlags)) {
        return false;
    }
    auto* created = new (std::nothrow)
        Controller(chipset, board, pciLocation, familyFlags, foundOnFirstDiscoveryPass);
    logClaim(tag, created != nullptr, chipset, board, pciLocation);
    *controller = created;
    return created != nullptr;
}
