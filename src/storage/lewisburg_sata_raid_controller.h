#pragma once

#include <cstdint>
#include <string>

#include "storage/storage_controller.h"

class ISubject;

// The chipset SATA controller of the Intel platform in RAID mode (Intel Matrix Storage / RSTe):
// one SCSI host per SATA port. Its firmware version is the platform RAID option ROM's, as
// mdadm reports it; the server wires a fixed number of SATA ports to it, and the ports the
// host does not show count as offline; a drive's bay is its port's place among the
// controller's ports.
class orbLewisburgSATARAIDController : public orbStorageController {
  public:
    // Claims the models of the Intel SATA RAID family only.
    static bool claimDevice(uint32_t chipset, uint32_t board, const std::string& pciLocation,
                            bool foundOnFirstDiscoveryPass, IorbStorageController** controller);
    // The class has no vendor interface to refresh.
    static void refreshVendorInterfaceCache(ISubject* shutdownSubject);

  protected:
    orbLewisburgSATARAIDController(uint32_t chipset, uint32_t board, const std::string& pciLocation,
                                   uint8_t familyFlags, bool foundOnFirstDiscoveryPass);
    ~orbLewisburgSATARAIDController() override;

    std::string discoverFirmwareVersion() override;
    int discoverPhysicalDiskSlotNumber(orbDiskInfo& disk) override;
    void computeControllerStatus() override;
    std::string formatControllerEventInfoString(STORAGE_EVENT_INFO_TYPE type) override;
    void synchronizePhysicalDrivesInventory() override;
    int maxSupportedControllerPorts() override;

  private:
    // Its claim creates it through the claim every controller class shares.
    friend class orbStorageController;

    // Set, the generic status rules apply unchanged (the discovered ports, in their order).
    bool genericStatusRules = false;
};
