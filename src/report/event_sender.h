#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "core/service_thread.h"
#include "report/event.h"

// Delivers events to the RMC on one thread of its own, in the order they were raised, so that
// a producer never waits for the RMC. An event the RMC does not take stays first in line and
// is sent again with back-off until it is delivered: at least once, since an event whose last
// answer was lost goes out again. The line is bounded; when it is full the oldest event is
// dropped, with a log line naming it.
class orbEventSender {
  public:
    static orbEventSender* getInstance();
    ~orbEventSender() = default;
    orbEventSender(const orbEventSender&) = delete;
    orbEventSender& operator=(const orbEventSender&) = delete;

    // Queues an event and starts the sender thread on first use. False, with a log line, once
    // delivery has stopped.
    bool queue(orbEvent event);
    // Ends the sender thread within a bounded time, also during a transfer to an RMC that does
    // not answer; an event cut short counts as not delivered. Events still waiting are logged.
    // Delivery cannot be restarted in this process.
    void stop();
    // The two halves of stop(), for a caller that stops other threads along with this one:
    // asks the thread to stop and returns at once; then waits for it until deadline.
    void requestStop();
    void waitStopped(std::chrono::steady_clock::time_point deadline);

    // How many events wait for the RMC.
    size_t waiting() const;

    // The delays between attempts: 2 s, doubling up to 60 s. Tests shorten them.
    void setRetryDelays(std::chrono::milliseconds first, std::chrono::milliseconds cap);

    static constexpr size_t kMaxWaitingEvents = 1000;

  private:
    struct Waiting {
        uint64_t number;
        orbEvent event;
        std::string text;  // the document, built at the first attempt and kept for retries
    };

    orbEventSender();
    void run();
    bool startThreadLocked();

    mutable std::mutex mutex;
    std::condition_variable wake;
    // The sender thread, under a stop request of its own: the RMC channel and the commands
    // that build an event's document obey it, and its waits end on it.
    orbServiceThread thread;
    // Guarded by mutex.
    std::deque<Waiting> events;
    uint64_t nextNumber = 0;
    bool stopped = false;
    std::chrono::milliseconds firstDelay{2000};
    std::chrono::milliseconds delayCap{60000};
};
