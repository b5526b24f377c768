#include "core/factory.h"

#include <array>

#include "core/resource_manager.h"

namespace {

// Resource types 0 to 4 have managers.
constexpr int kManagedTypes = 5;

std::array<orbFactory::InstanceGetter, kManagedTypes>& registry() {
    // Filled while the library loads, before any thread exists; read-only afterwards.
    static std::array<orbFactory::InstanceGetter, kManagedTypes> getters{};
    return getters;
}

}  // namespace

orbResourceManager* orbFactory::createInstance(int type) {
    if (type < 0 || type >= kManagedTypes || registry()[type] == nullptr) {
        return nullptr;
    }
    return registry()[type]();
}

bool orbFactory::registerManager(int type, InstanceGetter getter) {
    if (type < 0 || type >= kManagedTypes) {
        return false;
    }
    registry()[type] = getter;
    return true;
}
