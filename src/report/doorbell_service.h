#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

// The RMC cannot call the host; it raises a door bell, a text the host polls over IPMI. When
// the text asks for "WriteInventory", this service requests an extra inventory push.
class orbIPMIDBService {
public:
    static orbIPMIDBService* getInstance();

    static void startorbIPMIDBService();
    static void stoporbIPMIDBService();

private:
    orbIPMIDBService() = default;

    static void* startIPMIDBMonitor(void* self);
    void start();
    void stop();
    void startMonitoring();

    std::mutex cmutex;
    std::condition_variable cond;
    std::thread thread;
    // Guarded by cmutex.
    bool stopMoni = false;
    bool checkIPMIDevice = false;
};
