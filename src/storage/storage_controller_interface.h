#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/controller_info.h"
#include "storage/disk_info.h"
#include "storage/enclosure_info.h"
#include "storage/logical_disk_info.h"
#include "storage/remove_lock.h"

// One storage controller as controller discovery and the storage manager see it: its
// inventory, its status polling and its life cycle. Every operation that reads or changes the
// controller's records answers from the last known copy (or does nothing) once removal has
// begun.
class IorbStorageController : public orbRemoveLock {
  public:
    // Each returns 0 on success or a negative code.
    virtual int discoverInventory(orbStorageControllerInfo& info) = 0;
    virtual int discoverPhysicalDiskInventory(std::vector<orbDiskInfo>& drives) = 0;
    virtual int discoverLogicalDiskInventory(std::vector<orbLogicalDiskInfo>& volumes) = 0;
    virtual int discoverStorageEnclosureInventory(
        std::vector<orbStorageEnclosureInfo>& enclosures) = 0;
    // The same controller: same chipset, board and PCI location. The last text is for
    // controller classes that tell boards apart by more (a serial number); unused here.
    virtual bool isMatchingController(uint32_t chipset, uint32_t board,
                                      const std::string& pciLocation,
                                      const std::string& identity) = 0;
    virtual bool enableEvents() = 0;
    virtual bool isEventsEnabled() = 0;
    virtual void disableEvents() = 0;
    // Re-reads port and drive status and raises the events of any change.
    virtual void poll() = 0;
    // Reports everything behind the controller gone and drops the factory's reference: the
    // object may be destroyed before this returns unless the caller holds a reference.
    virtual void processDeviceRemoval() = 0;
    // Takes over the identity, records, ports and flags of the object that replaces this one.
    virtual void processDeviceAddition(IorbStorageController* other) = 0;
    virtual uint32_t getChipsetID() = 0;
    virtual uint32_t getBoardID() = 0;
    virtual std::string getPciLocation() = 0;
    // The ports: the sysfs folder of each port's SCSI host ("/sys/class/scsi_host/hostN").
    virtual std::vector<std::string> getPortVector() = 0;
    virtual std::string getPort(size_t index) = 0;
    virtual void setPort(size_t index, const std::string& port) = 0;
    virtual void addPort(const std::string& port) = 0;
    virtual void clearPortList() = 0;
    virtual size_t getPortListSize() = 0;
    virtual void deletePort(size_t index) = 0;
    virtual uint8_t getFamilyFlags() = 0;
    virtual bool getNewDevice() = 0;
    virtual void setNewDevice(bool isNew) = 0;
    virtual bool getFoundOnFirstDiscoveryPass() = 0;
    virtual int getInventory(orbStorageControllerInfo& info) = 0;
    virtual orbStorageControllerInfo getInventory() = 0;
    virtual int getPhysicalDrivesInventory(std::vector<orbDiskInfo>& drives) = 0;
    virtual int getLogicalDiskInventory(std::vector<orbLogicalDiskInfo>& volumes) = 0;
    virtual int getStorageEnclosureInventory(std::vector<orbStorageEnclosureInfo>& enclosures) = 0;

  protected:
    ~IorbStorageController() override = default;
};
