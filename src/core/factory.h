#pragma once

class orbResourceManager;

// Maps a resource-type code to the singleton manager of that type.
class orbFactory {
  public:
    using InstanceGetter = orbResourceManager* (*)();

    // The manager of a type, or nullptr for a code that has none.
    static orbResourceManager* createInstance(int type);

    // Each manager announces its getInstance() while the library loads (see
    // ORB_REGISTER_RESOURCE_MANAGER); the manager itself is created on first use.
    static bool registerManager(int type, InstanceGetter getter);
};

// Registers a manager class for a resource type, at namespace scope in the manager's file.
#define ORB_REGISTER_RESOURCE_MANAGER(type, Manager)                           \
    namespace {                                                                \
    const bool orbRegistered##Manager = orbFactory::registerManager(           \
        type, []() -> orbResourceManager* { return Manager::getInstance(); }); \
    }
