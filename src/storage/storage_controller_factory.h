#pragma once

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/shutdown_observer.h"
#include "storage/storage_controller_factory_interface.h"

// The generic controller factory: finds the controllers behind the SCSI hosts of
// /sys/class/scsi_host, offers each new one to the registered controller classes and then to
// the generic class, and keeps the controllers it created. Registered in the factory registry
// when the library loads.
class orbStorageControllerFactory : public IorbStorageControllerFactory {
  public:
    static orbStorageControllerFactory* getInstance();

    int initialize(ISubject* shutdownSubject) override;
    int discoverControllers(orbStorageControllerList& found) override;
    int getControllers(uint8_t familyMask, orbStorageControllerList& controllers) override;
    int shutdownFactory() override;
    int poll() override;
    int deleteControllers(uint8_t familyMask) override;
    std::vector<orbSupportedControllerModel> getSupportedControllerModels() override;

  private:
    explicit orbStorageControllerFactory(std::string name);
    ~orbStorageControllerFactory() override;

    // The first listed controller that is this board at this PCI location and is not being
    // removed; null when there is none. Called with the factory mutex held.
    IorbStorageController* FindExistingController(uint32_t chipset, uint32_t board,
                                                  const std::string& pciLocation,
                                                  const std::string& identity);
    // Lets go of the controllers and the shutdown registration.
    void releaseControllers();
    // True once the manager signalled shutdown or the thread was asked to stop.
    bool shutdownRequested() const;
    // One host of a discovery pass; called with the factory mutex held.
    void discoverHost(const std::string& host, orbStorageControllerList& found);
    IorbStorageController* claimController(uint32_t chipset, uint32_t board,
                                           const std::string& pciLocation, int& status);

    const std::string name;
    std::mutex factoryMutex;
    // Guarded by factoryMutex. The factory holds the initial reference of each controller.
    std::vector<IorbStorageController*> controllers;
    bool initialized = false;
    ISubject* shutdownSubject = nullptr;
    std::unique_ptr<orbSubjectShutdownObserver> shutdownObserver;
    // What the folders looked like at the last poll; zero before the first.
    struct stat scsiHostStatus {};
    struct stat scsiDeviceStatus {};

    // Controllers found on the service's first pass were there when it started; those found
    // later are new devices.
    static std::atomic<bool> firstDiscoveryPass;
};
