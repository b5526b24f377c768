#pragma once

#include <cstdint>
#include <string>

#include "storage/registry_manager.h"

class ISubject;
class IorbStorageController;

// A controller class that controller discovery offers each new controller to before the
// generic class takes it (the Lewisburg SATA RAID class, say).
struct _ORB_STORAGE_CONTROLLER_CLASS_METADATA {
    std::string className;
    // True, with a new controller in *controller, when the class manages this board; the
    // same hook as orbStorageController::claimDevice.
    bool (*claimDevice)(uint32_t chipset, uint32_t board, const std::string& pciLocation,
                        bool foundOnFirstDiscoveryPass, IorbStorageController** controller);
    // Brings the class's vendor interface up to date before a discovery pass; a long refresh
    // gives up once the subject signals shutdown. May be null.
    void (*refreshVendorInterface)(ISubject* shutdownSubject);
};

// A class registers once, by its name.
inline bool orbIsSameRegistryEntry(const _ORB_STORAGE_CONTROLLER_CLASS_METADATA& a,
                                   const _ORB_STORAGE_CONTROLLER_CLASS_METADATA& b) {
    return a.className == b.className;
}

using orbControllerClassRegistry = orbRegistryManager<_ORB_STORAGE_CONTROLLER_CLASS_METADATA>;
using orbControllerClassRegistration = orbRegistration<_ORB_STORAGE_CONTROLLER_CLASS_METADATA>;
