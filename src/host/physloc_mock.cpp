#include "host/physloc_mock.h"

std::string orbMockPhysLocInterface::getPCIeSlotForIOSlot(const std::string&) {
    return "0";
}
std::string orbMockPhysLocInterface::getPhysLocForIOSlot(const std::string&) {
    return ORB_UNKNOWN_PHYSICAL_LOCATION;
}
std::string orbMockPhysLocInterface::getPhysLocForNetworkAdapter(const std::string&) {
    return ORB_UNKNOWN_PHYSICAL_LOCATION;
}
std::string orbMockPhysLocInterface::getPhysLocForChassisDriveSlot(const std::string&, int) {
    return ORB_UNKNOWN_PHYSICAL_LOCATION;
}
std::string orbMockPhysLocInterface::getPhysLocForExternalDrive(const std::string&) {
    return ORB_UNKNOWN_PHYSICAL_LOCATION;
}
std::string orbMockPhysLocInterface::getPhysLocForChassisStorageBackplane(const std::string&, int) {
    return ORB_UNKNOWN_PHYSICAL_LOCATION;
}
int orbMockPhysLocInterface::checkPCIDevicesLocatedInSameChassis(const std::string&,
                                                                 const std::string&) {
    return ORB_PCI_NO_PHYSICAL_LOCATION_SUPPORT;
}
int orbMockPhysLocInterface::checkIfPCICardIsOnBoard(const std::string&) {
    return ORB_PCI_CARD_NO_SLOT_INFORMATION;
}
int orbMockPhysLocInterface::getChassisLocationForIOSlot(const std::string&, std::string&) {
    return ORB_PCI_NO_PHYSICAL_LOCATION_SUPPORT;
}
std::string orbMockPhysLocInterface::getPhysLocLibraryName() {
    return "Mock-PL library";
}

orbMockPhysLocInterface* __orbMockPhysLocInterface__getInstance() {
    static orbMockPhysLocInterface instance;
    return &instance;
}
