#pragma once

#include <array>
#include <thread>

// The host's entry into the service: starts one thread per resource type, lets each run its
// manager, and later stops and joins them.
class orbJobManager {
  public:
    static orbJobManager* getInstance();

    // Starts the resource-manager threads; false when a thread could not be created (threads
    // already started keep running, and stopResourceManagers() still stops them).
    static bool startResourceManagers();
    // Asks every enabled manager to stop and joins every thread that was started.
    static void stopResourceManagers();

    // Thread entry: arg carries the resource-type code as an integer value.
    static void* initializeResourceManager(void* arg);

    // Fault injection for crash-capture tests, driven by "SimulateUnhandledException":
    // 11 raises SIGSEGV, 6 aborts through an exception nothing can catch.
    static void simulateUnhandledExceptions();

  private:
    static constexpr size_t kThreadSlots = 8;

    orbJobManager() = default;

    std::array<std::thread, kThreadSlots> threads;
    std::array<int, kThreadSlots> retval{};
};
