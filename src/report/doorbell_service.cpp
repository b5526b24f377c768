#include "report/doorbell_service.h"

#include <time.h>

#include <cerrno>
#include <chrono>

#include "core/config.h"
#include "core/log.h"
#include "core/service_thread.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"

namespace {
const char* const kTag = "IPMI_DB";
}

orbIPMIDBService* orbIPMIDBService::getInstance() {
    static orbIPMIDBService instance;
    return &instance;
}

void orbIPMIDBService::startorbIPMIDBService() {
    getInstance()->start();
}

void orbIPMIDBService::stoporbIPMIDBService() {
    getInstance()->stop();
}

void* orbIPMIDBService::startIPMIDBMonitor(void* self) {
    static_cast<orbIPMIDBService*>(self)->startMonitoring();
    return nullptr;
}

void orbIPMIDBService::start() {
    std::lock_guard<std::mutex> lock(cmutex);
    orbStartServiceThread(thread, startIPMIDBMonitor, this, kTag);
}

void orbIPMIDBService::stop() {
    ORB_LOG_DEBUG(kTag, "Stopping orbIPMIDBService");
    std::thread monitor;
    {
        std::lock_guard<std::mutex> lock(cmutex);
        stopMoni = true;
        cond.notify_all();
        monitor = std::move(thread);
    }
    ORB_LOG_DEBUG(kTag, "Signaled for stop.");
    orbJoinServiceThread(monitor, kTag);
}

void orbIPMIDBService::startMonitoring() {
    const long interval = orbConfig::getInstance()->getDoorBellSleepInterval() * 60;
    std::unique_lock<std::mutex> lock(cmutex);
    for (;;) {
        if (!stopMoni && !checkIPMIDevice) {
            timespec now{};
            if (clock_gettime(CLOCK_REALTIME, &now) != 0) {
                ORB_LOG_ERROR(kTag, "Failed to get current time! (error no: %d)", errno);
                break;
            }
            auto deadline = std::chrono::system_clock::now() + std::chrono::seconds(interval);
            // A stop that came before the wait began ends it at once.
            cond.wait_until(lock, deadline, [this] { return stopMoni; });
            ORB_LOG_DEBUG(kTag, "DB service thread up.");
            if (!stopMoni) {
                checkIPMIDevice = true;
            }
        }
        const bool stopping = stopMoni;
        const bool pollDue = checkIPMIDevice;
        checkIPMIDevice = false;
        lock.unlock();
        if (stopping) {
            return;
        }
        if (pollDue) {
            ipmi::IPMIUtils device;
            if (device.checkIPMIDBRequest()) {
                orbJsonAggregator::sendInventory(true);
            }
        }
        lock.lock();
    }
}
