#pragma once

#include <mutex>
#include <vector>

// Two entries name the same registration: plain values (factory instances) by equality; entry
// types with a name of their own provide an overload found beside them.
template <typename T>
bool orbIsSameRegistryEntry(const T& a, const T& b) {
    return a == b;
}

// One process-wide list per entry type, filled by the static initialisers of the classes
// that register (controller classes, controller factories) before any thread starts, and
// read by discovery afterwards. Readers get a copy, so a late registration (a test's) never
// changes a list somebody is walking.
template <typename T>
class orbRegistryManager {
  public:
    // Appends entry unless the same registration is listed; true when appended.
    static bool add(const T& entry) {
        std::lock_guard<std::mutex> lock(guard());
        for (const T& listed : entries()) {
            if (orbIsSameRegistryEntry(listed, entry)) {
                return false;
            }
        }
        entries().push_back(entry);
        return true;
    }

    // The entries in registration order.
    static std::vector<T> getRegistry() {
        std::lock_guard<std::mutex> lock(guard());
        return entries();
    }

  private:
    static std::vector<T>& entries() {
        static std::vector<T> list;
        return list;
    }
    static std::mutex& guard() {
        static std::mutex mutex;
        return mutex;
    }
};

// Registers an entry from a static initialiser: `const orbRegistration<T> registered(entry);`
template <typename T>
class orbRegistration {
  public:
    explicit orbRegistration(const T& entry) : added(orbRegistryManager<T>::add(entry)) {}
    bool wasAdded() const { return added; }

  private:
    bool added;
};
