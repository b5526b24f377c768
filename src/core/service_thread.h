#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "core/stop_request.h"

// The service's long-lived threads (the resource managers, the inventory push thread, the
// door-bell thread) start and end the same way: started once, joined once, and a failure of
// either is logged under the owner's module tag rather than thrown.

// Starts entry(arg) on thread unless it already runs. False when the thread could not be
// created ("Error: Unable to create thread: %d").
bool orbStartServiceThread(std::thread& thread, void* (*entry)(void*), void* arg,
                           const char* module);

// Joins a thread that was started; one that was not is left alone ("Error: Unable to join
// thread: %d" when the join fails).
void orbJoinServiceThread(std::thread& thread, const char* module);

// A service thread whose stop is bounded. Its body runs under a stop request of its own, so
// the commands it runs are killed as soon as it is asked to stop and orbStopRequested() tells
// its loops to finish. A stop waits for it until a deadline and never longer: a thread stuck
// where no stop request reaches is left to end on its own, and a new start does not run a
// second one beside it. One still running when the object is destroyed (a host process that
// exits without stopping the service) is asked to stop and waited for briefly, then let go,
// so that no joinable thread ever ends the process.
class orbServiceThread {
  public:
    enum class Start { Started, AlreadyRunning, StillStopping, Failed };

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
    bool waitAndJoin(std::chrono::steady_clock::time_point deadline, const char* module);
    // Started and not yet ended.
    bool isRunning() const;

  private:
    struct Run;

    std::thread thread;
    std::shared_ptr<Run> run;
    bool leftRunning = false;
};
