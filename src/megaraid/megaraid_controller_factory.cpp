#include "megaraid/megaraid_controller_factory.h"

#include <algorithm>
#include <new>
#include <string>

#include "core/log.h"
#include "megaraid/io_loading_helper.h"
#include "megaraid/megaraid_controller.h"
#include "megaraid/sas_lsi_event.h"
#include "megaraid/store_lib_interface.h"
#include "storage/storage_utils.h"

namespace {

constexpr const char* kTag = "LSI_FACTORY";

// Registered while the library loads, so that the storage manager finds it.
const orbControllerFactoryRegistration registered(orbMegaRAIDControllerFactory::getInstance());

}  // namespace

orbMegaRAIDControllerFactory* orbMegaRAIDControllerFactory::getInstance() {
    static orbMegaRAIDControllerFactory instance;
    return &instance;
}

orbMegaRAIDControllerFactory::~orbMegaRAIDControllerFactory() {
    // At exit, for a host that never stopped the service.
    for (orbMegaRAIDController* controller : _controllerList) {
        controller->releaseReference();
    }
}

int orbMegaRAIDControllerFactory::initialize(ISubject*) {
    return 0;
}

void orbMegaRAIDControllerFactory::resetControllerDetection() {
    std::lock_guard<std::mutex> lock(factoryMutex);
    for (orbMegaRAIDController* controller : _controllerList) {
        controller->setDeviceDetected(false);
    }
}

int orbMegaRAIDControllerFactory::discoverControllers(orbStorageControllerList& found) {
    ORB_LOG_DEBUG(kTag, "orbMegaRAIDControllerFactory::discoverControllers");
    resetControllerDetection();
    std::vector<orbMegaRAIDController*> gone;
    {
        std::lock_guard<std::mutex> lock(factoryMutex);
        ORB_LOG_DEBUG(kTag, "Discovering LSI MR controllers instances list");
        orbStoreLibInterface* library = orbStoreLibInterface::getInstance();
        if (!library->isInitialized()) {
            library->orbStoreInit();
        }
        if (library->isInitialized()) {
            library->cacheBuild("All");
        } else {
            ORB_LOG_DEBUG(kTag, "Issue occurred in discovering LSI MR inventory.");
        }
        for (const CTRL_INFO& info : library->getControllerCollection()) {
            ORB_LOG_DEBUG(kTag, "discoverControllers ID = %d SN = %s",
                          static_cast<int>(info.ctrlId), info.serialNumber.c_str());
            // Matched by the library's identifier: serial numbers can be empty for two boards.
            auto known = std::find_if(_controllerList.begin(), _controllerList.end(),
                                      [&](orbMegaRAIDController* controller) {
                                          return controller->getControllerId() == info.ctrlId;
                                      });
            if (known != _controllerList.end()) {
                ORB_LOG_DEBUG(kTag, "Controller instance exists in inventory.");
                (*known)->setDeviceDetected(true);
                continue;
            }
            auto* created = new (std::nothrow) orbMegaRAIDController(info, false);
            if (created == nullptr) {
                ORB_LOG_ERROR(kTag, "Out of memory!");
                continue;
            }
            created->setDeviceDetected(true);
            _controllerList.push_back(created);
        }
        // A controller the library no longer lists is gone.
        for (auto it = _controllerList.begin(); it != _controllerList.end();) {
            if ((*it)->getDeviceDetected()) {
                ++it;
                continue;
            }
            gone.push_back(*it);
            it = _controllerList.erase(it);
        }
        for (orbMegaRAIDController* controller : _controllerList) {
            found.emplace_back(controller);
        }
        ORB_LOG_DEBUG(kTag, "size of _controllerList is %zu", _controllerList.size());
    }
    for (orbMegaRAIDController* controller : gone) {
        controller->processDeviceRemoval();
    }
    orbIOLoadingHelper::updateServerIOLoadingTable();
    return static_cast<int>(found.size());
}

int orbMegaRAIDControllerFactory::getControllers(uint8_t familyMask,
                                                 orbStorageControllerList& controllers) {
    std::lock_guard<std::mutex> lock(factoryMutex);
    int count = 0;
    for (orbMegaRAIDController* controller : _controllerList) {
        if ((controller->getFamilyFlags() & familyMask) == 0) {
            continue;
        }
        orbControllerReference<IorbStorageController> reference(controller);
        if (reference) {
            controllers.push_back(std::move(reference));
            ++count;
        }
    }
    return count;
}

orbControllerReference<IorbStorageController> orbMegaRAIDControllerFactory::findController(
    uint32_t ctrlId) {
    std::lock_guard<std::mutex> lock(factoryMutex);
    for (orbMegaRAIDController* controller : _controllerList) {
        if (controller->getControllerId() == ctrlId) {
            return orbControllerReference<IorbStorageController>(controller);
        }
    }
    return orbControllerReference<IorbStorageController>();
}

int orbMegaRAIDControllerFactory::shutdownFactory() {
    ORB_LOG_INFO(kTag, "Shutting down MegaRAID controllers factory.");
    // No callback may reach a controller once they are released: events go first.
    const bool unregistered = orbSASLSIEvent::getInstance()->UnregisterForAEN();
    orbMegaRAIDController::resetEventRegistration();
    orbStoreLibInterface* library = orbStoreLibInterface::getInstance();
    const bool uninitialized =
        !library->isInitialized() || library->UnInitializeLibrary() == SL_SUCCESS;
    if (unregistered && uninitialized) {
        library->unloadDLLs();
    }
    std::vector<orbMegaRAIDController*> released;
    {
        std::lock_guard<std::mutex> lock(factoryMutex);
        released.swap(_controllerList);
    }
    // Each goes through its remove lock: a holder (event analysis) keeps it whole until done.
    for (orbMegaRAIDController* controller : released) {
        controller->disableEvents();
        controller->releaseReference();
    }
    return 0;
}

int orbMegaRAIDControllerFactory::poll() {
    return 0;
}

int orbMegaRAIDControllerFactory::deleteControllers(uint8_t familyMask) {
    std::vector<orbMegaRAIDController*> removed;
    {
        std::lock_guard<std::mutex> lock(factoryMutex);
        for (auto it = _controllerList.begin(); it != _controllerList.end();) {
            if (((*it)->getFamilyFlags() & familyMask) == 0) {
                ++it;
                continue;
            }
            removed.push_back(*it);
            it = _controllerList.erase(it);
        }
    }
    for (orbMegaRAIDController* controller : removed) {
        controller->processDeviceRemoval();
    }
    return static_cast<int>(removed.size());
}

std::vector<orbSupportedControllerModel>
orbMegaRAIDControllerFactory::getSupportedControllerModels() {
    return {{0x40001000, 0x10E21000},
            {0x40101000, 0x10E21000},
            {0x93631000, 0x005D1000},
            {0x9A631000, 0x005D1000}};
}
