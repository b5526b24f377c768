#pragma once

#include <memory>
#include <mutex>

#include "core/service_thread.h"

// The local command server: on a thread of its own it reads requests from the named pipe
// /var/run/vexorb (test events by ID, or JSON events to forward to the RMC) and answers each
// client on its response pipe. Only this process's user (root on the host) may write requests:
// the pipe is made with mode 0600, and anything else found at its path is replaced.
//
// A stop returns within two seconds whatever clients do: every wait of the server thread is
// bounded and ends at the stop.
class ORBServer {
  public:
    static ORBServer* getInstance();

    // Starts the server thread (a running one is kept); false, logged, when it could not.
    static bool initializeORBServer();
    // Stops the server thread; nothing to do when it never started or was stopped already.
    static void stopORBServer();

    ~ORBServer();
    ORBServer(const ORBServer&) = delete;
    ORBServer& operator=(const ORBServer&) = delete;

  private:
    struct StopPipe;

    ORBServer();
    bool start();
    void stop();
    // The server thread's body.
    static void startTestEventServer(const std::shared_ptr<StopPipe>& stopPipe);

    std::mutex mutex;
    // Guarded by mutex.
    orbServiceThread thread;
    // The stop pipe of the running server, shared with its thread; null when none runs.
    std::shared_ptr<StopPipe> serStopPipe;
};
