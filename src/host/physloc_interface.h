#pragma once

#include <string>

#include "storage/location_code.h"

// The physical location of a field-replaceable unit (I/O card, network port, drive bay,
// backplane): a 64-bit code the RMC understands, written as 16 upper-case hexadecimal digits;
// ORB_UNKNOWN_PHYSICAL_LOCATION ("FFFFFFFFFFFFFFFF") when no location is known.

// Results of checkIfPCICardIsOnBoard.
enum : int {
    ORB_PCI_CARD_ON_BOARD = 2,
    ORB_PCI_CARD_ADD_IN = 3,
    ORB_PCI_CARD_NO_SLOT_INFORMATION = -4,
};

// Results of checkPCIDevicesLocatedInSameChassis.
enum : int {
    ORB_PCI_SAME_CHASSIS = 2,
    ORB_PCI_OTHER_CHASSIS = 1,
    ORB_PCI_ADDRESS_INVALID = -1,
    ORB_PCI_GEOID_INVALID = -2,
    ORB_PCI_NO_PHYSICAL_LOCATION_SUPPORT = -3,
};

// One variant per platform family computes the codes; orbPhysLocFactory picks the one that
// matches this server. Every location operation answers a 16-digit code, or
// ORB_UNKNOWN_PHYSICAL_LOCATION when the unit cannot be located.
class orbPhysLocInterface {
  public:
    virtual bool Initialize() = 0;
    virtual void UnInitialize() = 0;
    // The slot number text of the device's GeoID, or "0" when it has none.
    virtual std::string getPCIeSlotForIOSlot(const std::string& pci) = 0;
    virtual std::string getPhysLocForIOSlot(const std::string& pci) = 0;
    virtual std::string getPhysLocForNetworkAdapter(const std::string& pci) = 0;
    virtual std::string getPhysLocForChassisDriveSlot(const std::string& pci, int bay) = 0;
    virtual std::string getPhysLocForExternalDrive(const std::string& pci) = 0;
    virtual std::string getPhysLocForChassisStorageBackplane(const std::string& pci, int box) = 0;
    virtual int checkPCIDevicesLocatedInSameChassis(const std::string& first,
                                                    const std::string& second) = 0;
    virtual int checkIfPCICardIsOnBoard(const std::string& pci) = 0;
    // The chassis part of the device's GeoID (such as "r001u01"); 0 on success.
    virtual int getChassisLocationForIOSlot(const std::string& pci, std::string& out) = 0;
    virtual ~orbPhysLocInterface() = default;
    virtual std::string getPhysLocLibraryName() = 0;
};
