#pragma once

#include "host/physloc_interface.h"

// The interface used when the server's platform has no physical-location library, or its
// library cannot be loaded: every unit is reported as ORB_UNKNOWN_PHYSICAL_LOCATION.
class orbMockPhysLocInterface : public orbPhysLocInterface {
  public:
    bool Initialize() override { return true; }
    void UnInitialize() override {}
    std::string getPCIeSlotForIOSlot(const std::string& pci) override;
    std::string getPhysLocForIOSlot(const std::string& pci) override;
    std::string getPhysLocForNetworkAdapter(const std::string& pci) override;
    std::string getPhysLocForChassisDriveSlot(const std::string& pci, int bay) override;
    std::string getPhysLocForExternalDrive(const std::string& pci) override;
    std::string getPhysLocForChassisStorageBackplane(const std::string& pci, int box) override;
    int checkPCIDevicesLocatedInSameChassis(const std::string& first,
                                            const std::string& second) override;
    int checkIfPCICardIsOnBoard(const std::string& pci) override;
    int getChassisLocationForIOSlot(const std::string& pci, std::string& out) override;
    std::string getPhysLocLibraryName() override;
};

// The process-wide mock interface, created on first call.
orbMockPhysLocInterface* __orbMockPhysLocInterface__getInstance();
