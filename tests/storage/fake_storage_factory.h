#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "core/shutdown_observer.h"
#include "storage/sas_resource_manager.h"
#include "storage/storage_controller.h"
#include "storage/storage_controller_factory_interface.h"
#include "storage/storage_utils.h"

namespace orbtest {

// A controller whose drive, volume and enclosure carry the number of the discovery pass that
// last found it ("DRV-2", "VOL-2", "ENC-2").
class FakeStorageController : public orbStorageController {
  public:
    FakeStorageController()
        : orbStorageController(0x00011234, 0, "0000:99:00.0", ORB_FAMILY_MEGARAID, true) {}

    int discoverInventory(orbStorageControllerInfo& info) override {
        std::lock_guard<std::recursive_mutex> lock(controllerMutex);
        info.setModel("Fake controller");
        // A status change seen by another thread of this controller (an event callback, say)
        // while the build waits for it.
        if (invalidateFromAnotherThread.exchange(false)) {
            std::thread([] {
                SASResourceManager::getInstance()->invalidateInventoryCache();
            }).join();
        }
        return 0;
    }
    int discoverPhysicalDiskInventory(std::vector<orbDiskInfo>& drives) override {
        orbDiskInfo drive;
        drive.setSerialNumber(tagged("DRV-"));
        drives.push_back(drive);
        return 0;
    }
    int discoverLogicalDiskInventory(std::vector<orbLogicalDiskInfo>& volumes) override {
        orbLogicalDiskInfo volume;
        volume.setDurableName(tagged("VOL-"));
        volumes.push_back(volume);
        return 0;
    }
    int discoverStorageEnclosureInventory(
        std::vector<orbStorageEnclosureInfo>& enclosures) override {
        orbStorageEnclosureInfo enclosure;
        enclosure.setSerialNumber(tagged("ENC-"));
        enclosures.push_back(enclosure);
        return 0;
    }

    std::atomic<int> pass{0};
    std::atomic<bool> invalidateFromAnotherThread{false};

  private:
    std::string tagged(const char* prefix) const { return prefix + std::to_string(pass.load()); }
};

// A second controller factory: it lists the models it claims for itself and finds one fake
// controller. With hold set, a discovery pass waits until it is let go or the manager signals
// shutdown, as a long vendor scan would.
class FakeStorageFactory : public IorbStorageControllerFactory {
  public:
    int initialize(ISubject* subject) override {
        observer = std::make_unique<orbSubjectShutdownObserver>("FAKE_FACT", subject);
        return 0;
    }
    int discoverControllers(orbStorageControllerList& found) override {
        if (hold.load()) {
            entered.store(true);
            while (hold.load() && !(observer && observer->isSubjectShutdownInitiated())) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        if (controller == nullptr) {
            controller = new FakeStorageController();
        }
        ++controller->pass;
        controller->invalidateFromAnotherThread.store(invalidateDuringDiscovery.exchange(false));
        found.emplace_back(controller);
        return 1;
    }
    int getControllers(uint8_t, orbStorageControllerList& held) override {
        if (controller != nullptr) {
            held.emplace_back(controller);
        }
        return held.empty() ? 0 : 1;
    }
    int shutdownFactory() override {
        if (controller != nullptr) {
            controller->releaseReference();
            controller = nullptr;
        }
        observer.reset();
        return 0;
    }
    int poll() override { return 0; }
    int deleteControllers(uint8_t) override { return 0; }
    std::vector<orbSupportedControllerModel> getSupportedControllerModels() override {
        return models;
    }

    std::vector<orbSupportedControllerModel> models;
    std::atomic<bool> hold{false};
    std::atomic<bool> entered{false};
    // The next pass's controller asks for a rebuild from another thread.
    std::atomic<bool> invalidateDuringDiscovery{false};

  private:
    FakeStorageController* controller = nullptr;
    std::unique_ptr<orbSubjectShutdownObserver> observer;
};

}  // namespace orbtest
