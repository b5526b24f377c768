#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/stop_request.h"

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

    ~orbIPMIDBService();
    orbIPMIDBService(const orbIPMIDBService&) = delete;
    orbIPMIDBService& operator=(const orbIPMIDBService&) = delete;

  private:
    orbIPMIDBService();

    static void* startIPMIDBMonitor(void* self);
    void start();
    void stop();
    void startMonitoring();

    std::mutex cmutex;
    std::condition_variable cond;
    std::thread thread;
    // Guarded by cmutex.
    bool checkIPMIDevice = false;
    bool stopped = false;  // set once; the thread is not started again
    std::chrono::milliseconds testInterval{0};
    // Set under cmutex; also read by the channel while a poll is on the wire.
    orbStopRequest stopMoni;
};
