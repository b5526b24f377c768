#pragma once

#include <atomic>

// A stop request that long-running work obeys: the service's threads check it between steps
// that can take long, and the shell runner kills the commands started under it.
//
// A thread places itself under a request with orbStopScope; while the scope lives, every
// command the thread runs is killed as soon as the request is made (within about a tenth of a
// second), no new command starts, and orbStopRequested() tells the thread's own loops to
// finish. Scopes nest: the job manager puts each resource-manager thread under the stop of
// its run, and a manager may add a stop of its own; any of them ends the thread's commands.
// A scope covers only the thread that made it: a helper thread places itself under the stop
// of the work it does.
class orbStopRequest {
  public:
    // Asks the work under this request to finish. Safe from any thread.
    void request() { requested.store(true); }
    // Makes the request usable again for a new run, once the old run has ended.
    void rearm() { requested.store(false); }
    bool isRequested() const { return requested.load(); }

  private:
    std::atomic<bool> requested{false};
};

// Puts the calling thread under a stop request for the scope's lifetime.
class orbStopScope {
  public:
    explicit orbStopScope(const orbStopRequest& stop);
    ~orbStopScope();
    orbStopScope(const orbStopScope&) = delete;
    orbStopScope& operator=(const orbStopScope&) = delete;

  private:
    friend bool orbStopRequested();

    const orbStopRequest& stop;
    const orbStopScope* outer;
};

// True when any stop request the calling thread is under has been made.
bool orbStopRequested();
