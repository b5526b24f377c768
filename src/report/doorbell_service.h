#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/service_thread.h"

// The RMC cannot call the host; it raises a door bell, a text the host polls over IPMI. When
// the text asks for "WriteInventory", this service requests an extra inventory push.
class orbIPMIDBService {
  public:
    static orbIPMIDBService* getInstance();

    // Starts the polling thread; a start after the stop is refused.
    static void startorbIPMIDBService();
    // Stops the polling thread within a bounded time, also during a poll the RMC never answers.
    static void stoporbIPMIDBService();

    // For tests only: poll at this interval instead of the configured minutes. A zero interval
    // restores the configured one.
    static void setPollIntervalForTests(std::chrono::milliseconds interval);

    ~orbIPMIDBService() = default;
    orbIPMIDBService(const orbIPMIDBService&) = delete;
    orbIPMIDBService& operator=(const orbIPMIDBService&) = delete;

  private:
    orbIPMIDBService();

    void start();
    void stop();
    void startMonitoring();

    std::mutex cmutex;
    std::condition_variable cond;
    // The polling thread, under a stop request of its own: the RMC channel obeys it, and its
    // waits end on it.
    orbServiceThread thread;
    // Guarded by cmutex.
    bool checkIPMIDevice = false;
    bool stopped = false;  // set once; the thread is not started again
    std::chrono::milliseconds testInterval{0};
};
