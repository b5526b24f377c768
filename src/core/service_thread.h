#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/stop_request.h"

// A service thread whose stop is bounded. Its body runs under a stop request of its own, so
// the commands it runs are killed as soon as it is asked to stop and orbStopRequested() tells
// its loops to finish. A stop waits for it until a deadline and never longer: a thread stuck
// where no stop request reaches is left to end on its own, and a new start does not run a
// second one beside it. One still running when the object is destroyed (a host process that
// exits without stopping the service) is asked to stop and waited for briefly, then let go,
// so that no joinable thread ever ends the process. A thread let go may outlive its owner:
// an owner whose members body uses must never be destroyed itself.
//
// Start, stop and wait may be called from any thread.
class orbServiceThread {
  public:
    enum class Start { Started, AlreadyRunning, StillStopping, Failed };

    // How long a stop waits for its thread, leaving the rest of its two seconds for the stop
    // requests and the log lines.
    static constexpr std::chrono::milliseconds kStopWait{1500};

    orbServiceThread() = default;
    ~orbServiceThread();
    orbServiceThread(const orbServiceThread&) = delete;
    orbServiceThread& operator=(const orbServiceThread&) = delete;

    // Runs body on a new thread, unless a thread of an earlier start has not ended yet.
    // An exception that leaves body is logged under module.
    Start start(std::function<void()> body, const char* module);
    // Asks the running thread to stop; returns at once.
    void requestStop();
    // Waits until deadline for the thread to end and joins it. False when it has not ended:
    // it is then left running.
    // A thread left running is logged under module: "<what> has not stopped within ...".
    bool waitAndJoin(std::chrono::steady_clock::time_point deadline, const char* module,
                     const std::string& what);
    // Started and not yet ended.
    bool isRunning() const;

  private:
    struct Run;

    mutable std::mutex guard;
    // Guarded by guard.
    std::thread thread;
    std::shared_ptr<Run> run;
    bool leftRunning = false;
};
