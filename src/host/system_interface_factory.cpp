#include "host/system_interface_factory.h"

#include "host/vmware_os_interface.h"

orbOSInterface* orbSystemInterfaceFactory::VmwareOSObj = orbVmwareOSInterface::getInstance();

orbOSInterface* orbSystemInterfaceFactory::getSystemInterface() {
    // A caller from another file's static initialiser may come before VmwareOSObj is set.
    return VmwareOSObj != nullptr ? VmwareOSObj : orbVmwareOSInterface::getInstance();
}
