#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "megaraid/megaraid_event.h"
#include "megaraid/store_lib_interface.h"
#include "storage/storage_controller.h"

// A MegaRAID controller: its controller, drive and volume data come from the storage library's
// lists, and its status changes arrive as firmware events rather than from polling.
class orbMegaRAIDController : public orbStorageController {
  public:
    orbMegaRAIDController(const CTRL_INFO& info, bool foundOnFirstDiscoveryPass);

    int discoverInventory(orbStorageControllerInfo& info) override;
    int discoverPhysicalDiskInventory(std::vector<orbDiskInfo>& drives) override;
    int discoverLogicalDiskInventory(std::vector<orbLogicalDiskInfo>& volumes) override;
    bool isMatchingController(uint32_t chipset, uint32_t board, const std::string& pciLocation,
                              const std::string& identity) override;
    bool enableEvents() override;
    bool isEventsEnabled() override;
    void disableEvents() override;
    void poll() override;
    void processDeviceRemoval() override;
    void processDeviceAddition(IorbStorageController* other) override;

    std::string getDeviceName();
    void setDeviceName(const std::string& name);
    bool getDeviceDetected() const { return deviceDetected.load(); }
    void setDeviceDetected(bool detected) { deviceDetected.store(detected); }
    uint32_t getControllerId() const { return ctrlId; }

    // Library health code to the shared health: 1 OK, 2 Warning, 4 Critical, else Unknown.
    static ORB_RESOURCE_HEALTH getHealthEnum(int health);

    // The handler registered for firmware events (the event worker's thread).
    static void handleEvent(ORB_SAS_EVENT_DETAIL* event);
    void analyzeAndGenerateEvent(ORB_SAS_EVENT_DETAIL* event);

    // "[Msg # 0x....] description[. extra]. Please refer to ...".
    static std::string getAddEventInfo(const ORB_SAS_EVENT_DETAIL* event,
                                       const std::string& extra = std::string());
    static std::string getAddEventInfoWithOptionalDetail(const ORB_SAS_EVENT_DETAIL* event,
                                                         const std::string& detail);

    // The registration was dropped by the factory's shutdown.
    static void resetEventRegistration() { isAENRegistered.store(false); }
    // The live MegaRAID controller objects.
    static int liveControllers() { return totalLSICtrls.load(); }

  protected:
    ~orbMegaRAIDController() override;
    void discoverPhysicalDiskStatus(orbDiskInfo& disk) override;

  private:
    bool isMegaRAID9560() const;
    // Whether the 9560 rule withholds this controller's drives and volumes; logs why.
    bool withholdsDevices(bool volumes);
    void discoverPhysicalDiskAttributes(orbDiskInfo& record, const PD_INFO& pd);
    std::string drivePhysicalLocation(const PD_INFO& pd);
    bool generateDriveEvent(orbDiskInfo& current, const orbDiskInfo& previous);
    bool generateVolumeEvent(orbLogicalDiskInfo& current, const orbLogicalDiskInfo& previous);
    // Raises an event about a record and asks for the inventory to be rebuilt and pushed.
    void raise(int eventId, bool critical, orbInventoryBase& record, const std::string& location);

    void analyzeControllerEvent(ORB_SAS_EVENT_DETAIL* event);
    void analyzeBatteryEvent(ORB_SAS_EVENT_DETAIL* event);
    void analyzeDriveEvent(ORB_SAS_EVENT_DETAIL* event);
    void analyzeVolumeEvent(ORB_SAS_EVENT_DETAIL* event);

    const uint32_t ctrlId;
    std::atomic<bool> deviceDetected{false};
    bool ioLoadingWarningLogged = false;
    std::string deviceName;
    // Set by event analysis under the controller's mutex; acted on after it is released, so
    // analysis never waits for the storage manager while holding the controller.
    bool inventoryChanged = false;

    static std::mutex eventsMutex;
    static std::atomic<bool> isAENRegistered;
    static std::atomic<int> totalLSICtrls;
};
