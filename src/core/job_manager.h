#pragma once

#include <array>
#include <mutex>

#include "core/service_thread.h"

// The host's entry into the service: starts one thread per resource type, lets each run its
// manager, and later stops and joins them.
//
// A stop returns within two seconds whatever the managers' tools and devices do: each manager
// thread runs under the stop request of its run (core/stop_request.h), so its commands are
// killed as soon as the stop is asked for, and a thread that has still not ended when the
// stop gives up waiting is left to finish on its own, with a log line. A later start does not
// start a second thread beside it. A host process that exits without stopping the service
// (or after a failed start) has the threads stopped the same way when this singleton is
// destroyed, so no joinable thread is ever left behind.
class orbJobManager {
  public:
    static orbJobManager* getInstance();

    // Starts the resource-manager threads; false when a thread could not be created or a
    // manager of a previous run is still stopping (threads already started keep running, and
    // stopResourceManagers() still stops them).
    static bool startResourceManagers();
    // Asks every running manager to stop and joins every thread that ended within two seconds.
    static void stopResourceManagers();

    // Start and stop the local command server, through which a local client asks for test
    // events and forwards its own events; false when its thread could not be started. The
    // stop returns within two seconds and may be called when the server never started.
    static bool startORBServer();
    static void stopORBServer();

    // Thread entry: arg carries the resource-type code as an integer value.
    static void* initializeResourceManager(void* arg);

    // Fault injection for crash-capture tests, driven by "SimulateUnhandledException":
    // 11 raises SIGSEGV, 6 aborts through an exception nothing can catch.
    static void simulateUnhandledExceptions();

    ~orbJobManager();
    orbJobManager(const orbJobManager&) = delete;
    orbJobManager& operator=(const orbJobManager&) = delete;

  private:
    static constexpr size_t kThreadSlots = 8;

    orbJobManager();
    // Asks the running managers to stop and joins the threads that end in time; true when
    // none is left running.
    bool stopThreads();

    // Held through a start, a stop and the destruction, so that a stop sees the threads of a
    // whole start; a stop holds it at most its one and a half seconds of waiting.
    std::mutex mutex;
    // Guarded by mutex.
    std::array<orbServiceThread, kThreadSlots> threads;
    std::array<int, kThreadSlots> retval{};
    // The resource type each thread runs.
    std::array<int, kThreadSlots> types{};
};
