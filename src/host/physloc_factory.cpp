#include "host/physloc_factory.h"

#include <string>

#include "core/log.h"
#include "core/utils.h"
#include "host/physloc_ch.h"
#include "host/physloc_mock.h"
#include "host/physloc_ztrh.h"

namespace {

const char* const TAG = "PHYS_LOC";

orbPhysLocInterface* chooseInterface() {
    std::string family = orbUtils::getPlatformFamily();
    orbPhysLocInterface* chosen = nullptr;
    if (family == "PLATFAM-ALPHA") {
        chosen = __orbCHPhysLocInterface__getInstance();
    } else if (family == "PLATFAM-BRAVO" || family == "PLATFAM-CHARLIE") {
        chosen = __orbZTRHPhysLocInterface__getInstance();
    } else {
        ORB_LOG_WARNING(TAG,
                        "Unable to determine platform type [%s]. Physical location will be "
                        "reported by ORB as FFFFFFFFFFFFFFFF for all FRUs.",
                        family.c_str());
        return __orbMockPhysLocInterface__getInstance();
    }
    if (!chosen->Initialize()) {
        ORB_LOG_WARNING(TAG,
                        "Physical location will be reported by ORB as FFFFFFFFFFFFFFFF for all "
                        "FRUs.");
        return __orbMockPhysLocInterface__getInstance();
    }
    return chosen;
}

}  // namespace

std::atomic<orbPhysLocInterface*> orbPhysLocFactory::pllInterface{nullptr};
std::mutex orbPhysLocFactory::factoryLock;

orbPhysLocInterface* orbPhysLocFactory::getPhysLocInterface() {
    orbPhysLocInterface* current = pllInterface.load();
    if (current != nullptr) {
        return current;
    }
    std::lock_guard<std::mutex> guard(factoryLock);
    current = pllInterface.load();
    if (current == nullptr) {
        current = chooseInterface();
        pllInterface.exchange(current);
    }
    return current;
}
