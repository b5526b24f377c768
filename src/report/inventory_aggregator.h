#pragma once

#include <json/json.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "core/service_thread.h"

// Owns the inventory document the RMC receives. A push thread waits until every enabled
// resource manager has its first inventory, collects the managers' parts under fixed keys,
// wraps them as "HostDataCollection" and sends the document with "WriteInventory"; then again
// after every push interval and on every request.
class orbJsonAggregator {
  public:
    static orbJsonAggregator* getInstance();

    // false: starts the push thread (once, by the host; a start after the stop is refused);
    // true: asks for an extra push.
    static void sendInventory(bool request);
    // Stops the push thread and event delivery, within a bounded time whatever the RMC does: a
    // push cut short by the stop counts as not delivered.
    static void stoporbJsonAggregator();
    // True once the RMC took the first inventory (or there was none to send); from then on
    // every event is forwarded.
    static bool isInventorySent();

    // The delays between attempts of a push the RMC did not take: 5 s, doubling up to 4
    // minutes. Tests shorten them.
    static void setRetryDelays(std::chrono::milliseconds first, std::chrono::milliseconds cap);

    ~orbJsonAggregator() = default;
    orbJsonAggregator(const orbJsonAggregator&) = delete;
    orbJsonAggregator& operator=(const orbJsonAggregator&) = delete;

  private:
    // Refused: the RMC answered that it will not take the document (too long, or the command
    // unknown to it); sending the same again cannot help, so it waits for the next push.
    enum class PushResult { Delivered, NothingToSend, Refused, Failed };

    orbJsonAggregator();

    void startPushThread();
    void requestPush();
    void requestStop();
    void waitStopped(std::chrono::steady_clock::time_point deadline);
    void initializeCachePush();
    bool checkIfInventoryReady(std::unique_lock<std::mutex>& lock);
    bool aggrThreadSleep(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds duration,
                         bool wakeOnPush);
    PushResult createInventoryJsonString();
    PushResult sendJsonString();

    Json::Value inventory;
    Json::Value envelope;
    std::map<int, std::string> orb_RM_to_string;

    std::mutex cmutex;
    std::condition_variable cond;
    // The push thread, under a stop request of its own: the RMC channel and the commands it
    // runs obey it, and its waits end on it.
    orbServiceThread thread;
    // Guarded by cmutex.
    bool pushInventory = true;
    bool stopped = false;  // set once; the push thread is not started again
    std::chrono::milliseconds retryFirst{5000};
    std::chrono::milliseconds retryCap{240000};
    // Written by the push thread, read by event producers without the lock.
    std::atomic<bool> firstInventoryPushComplete{false};
};
