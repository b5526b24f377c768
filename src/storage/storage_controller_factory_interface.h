#pragma once

#include <cstdint>
#include <vector>

#include "storage/registry_manager.h"
#include "storage/remove_lock.h"
#include "storage/storage_controller_interface.h"

class ISubject;

// Controllers handed out by a factory, each held by a reference for as long as the list lives,
// so that a controller removed meanwhile stays whole until its holders are done with it.
using orbStorageControllerList = std::vector<orbControllerReference<IorbStorageController>>;

// A controller model a factory handles on its own; a board of 0 stands for every board.
struct orbSupportedControllerModel {
    uint32_t board;
    uint32_t chipset;
};

// A source of storage controllers. Each factory keeps the controllers it found and is the
// only one that begins their removal.
class IorbStorageControllerFactory {
  public:
    virtual ~IorbStorageControllerFactory() = default;
    // Prepares the factory and registers it for the manager's shutdown notice (subject may be
    // null). 0, or the non-zero status of a failed registration.
    virtual int initialize(ISubject* shutdownSubject) = 0;
    // One discovery pass: every controller found on it, new or known, goes to found. The
    // number of controllers found, or a negative code.
    virtual int discoverControllers(orbStorageControllerList& found) = 0;
    // The controllers whose family flags share a bit with familyMask. The number given.
    virtual int getControllers(uint8_t familyMask, orbStorageControllerList& controllers) = 0;
    // Lets go of every controller without reporting them gone; the factory can be initialised
    // again afterwards.
    virtual int shutdownFactory() = 0;
    // 1 when the set of controllers may have changed since the last call, 0 when not,
    // negative when that could not be told.
    virtual int poll() = 0;
    // Reports the controllers of these families gone and lets go of them.
    virtual int deleteControllers(uint8_t familyMask) = 0;
    // The models this factory handles and no other factory may claim.
    virtual std::vector<orbSupportedControllerModel> getSupportedControllerModels() = 0;
};

using orbControllerFactoryRegistry = orbRegistryManager<IorbStorageControllerFactory*>;
using orbControllerFactoryRegistration = orbRegistration<IorbStorageControllerFactory*>;
