#pragma once

#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// Owns the inventory document the RMC receives. A push thread waits until every enabled
// resource manager has its first inventory, collects the managers' parts under fixed keys,
// wraps them as "HostDataCollection" and sends the document with "WriteInventory"; then again
// after every push interval and on every request.
class orbJsonAggregator {
public:
    static orbJsonAggregator* getInstance();

    // false: starts the push thread (once, by the host); true: asks for an extra push.
    static void sendInventory(bool request);
    // Stops the push thread and waits for it.
    static void stoporbJsonAggregator();
    // True once the first push was attempted; from then on every event is forwarded.
    static bool isInventorySent();

private:
    orbJsonAggregator();

    static void* startInventoryPushThread(void* self);
    void startPushThread();
    void requestPush();
    void stop();
    void initializeCachePush();
    bool checkIfInventoryReady(std::unique_lock<std::mutex>& lock);
    bool aggrThreadSleep(std::unique_lock<std::mutex>& lock, long seconds, bool wakeOnPush);
    void createInventoryJsonString();
    void sendJsonString();

    Json::Value inventory;
    Json::Value envelope;
    std::map<int, std::string> orb_RM_to_string;

    std::mutex cmutex;
    std::condition_variable cond;
    std::thread thread;
    // Guarded by cmutex.
    bool stopAggr = false;
    bool pushInventory = true;
    // Written by the push thread, read by event producers without the lock.
    std::atomic<bool> firstInventoryPushComplete{false};
};
