#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "core/shutdown_observer.h"
#include "storage/storage_controller_factory_interface.h"

class orbMegaRAIDController;

// Finds the MegaRAID controllers through the storage library and keeps one controller object
// for each. Registered in the factory registry when the library loads, with the models it
// alone handles.
class orbMegaRAIDControllerFactory : public IorbStorageControllerFactory {
  public:
    static orbMegaRAIDControllerFactory* getInstance();

    int initialize(ISubject* shutdownSubject) override;
    int discoverControllers(orbStorageControllerList& found) override;
    int getControllers(uint8_t familyMask, orbStorageControllerList& controllers) override;
    int shutdownFactory() override;
    int poll() override;
    int deleteControllers(uint8_t familyMask) override;
    std::vector<orbSupportedControllerModel> getSupportedControllerModels() override;

    void resetControllerDetection();
    // The controller object of a library controller, held; empty when there is none.
    orbControllerReference<IorbStorageController> findController(uint32_t ctrlId);

  private:
    orbMegaRAIDControllerFactory() = default;
    ~orbMegaRAIDControllerFactory() override;

    std::mutex factoryMutex;
    // The factory holds the initial reference of each.
    std::vector<orbMegaRAIDController*> _controllerList;
};
