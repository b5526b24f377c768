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

orbIPMIDBService::orbIPMIDBService() {
    // The polling thread reads the configuration until it is joined, at the latest when this
    // object is destroyed at exit: the configuration must be created first, to be destroyed
    // after.
    orbConfig::getInstance();
}

orbIPMIDBService::~orbIPMIDBService() {
    // A host that exits without stopping the service must not leave a joinable thread behind.
    stop();
}

void orbIPMIDBService::setPollIntervalForTests(std::chrono::milliseconds interval) {
    orbIPMIDBService* self = getInstance();
    std::lock_guard<std::mutex> lock(self->cmutex);
    self->testInterval = interval;
}

void orbIPMIDBService::startorbIPMIDBService() {
    getInstance()->start();
}

void orbIPMIDBService::stoporbIPMIDBService() {
    getInstance()->stop();
}

void* orbIPMIDBService::startIPMIDBMonitor(void* self) {
    auto* service = static_cast<orbIPMIDBService*>(self);
    // A poll of an RMC that does not answer, or of a driver still loading, ends at the stop.
    orbStopScope underStop(service->stopMoni);
    service->startMonitoring();
    return nullptr;
}

void orbIPMIDBService::start() {
    std::lock_guard<std::mutex> lock(cmutex);
    if (stopped) {
        ORB_LOG_WARNING(kTag, "The door-bell service was stopped and is not started again");
        return;
    }
    orbStartServiceThread(thread, startIPMIDBMonitor, this, kTag);
}

void orbIPMIDBService::stop() {
    ORB_LOG_DEBUG(kTag, "Stopping orbIPMIDBService");
    std::thread monitor;
    {
        std::lock_guard<std::mutex> lock(cmutex);
        stopped = true;
        stopMoni.request();
        cond.notify_all();
        monitor = std::move(thread);
    }
    ORB_LOG_DEBUG(kTag, "Signaled for stop.");
    orbJoinServiceThread(monitor, kTag);
}

void orbIPMIDBService::startMonitoring() {
    std::unique_lock<std::mutex> lock(cmutex);
    const std::chrono::milliseconds interval =
        testInterval.count() > 0
            ? testInterval
            : std::chrono::minutes(orbConfig::getInstance()->getDoorBellSleepInterval());
    for (;;) {
        if (!stopMoni.isRequested() && !checkIPMIDevice) {
            timespec now{};
            if (clock_gettime(CLOCK_REALTIME, &now) != 0) {
                const int error = errno;  // the log call may change errno
                ORB_LOG_ERROR(kTag, "Failed to get current time! (error no: %d)", error);
                break;
            }
            auto deadline = std::chrono::system_clock::now() + interval;
            // A stop that came before the wait began ends it at once.
            cond.wait_until(lock, deadline, [this] { return stopMoni.isRequested(); });
            ORB_LOG_DEBUG(kTag, "DB service thread up.");
            if (!stopMoni.isRequested()) {
                checkIPMIDevice = true;
            }
        }
        const bool stopping = stopMoni.isRequested();
        const bool pollDue = checkIPMIDevice;
        checkIPMIDevice = false;
        lock.unlock();
        if (stopping) {
            return;
        }
        if (pollDue) {
            // The poll gives up as soon as a stop is requested; a failed poll is logged by the
            // channel, once per outage.
            ipmi::IPMIUtils device;
            if (device.checkIPMIDBRequest() && !stopMoni.isRequested()) {
                orbJsonAggregator::sendInventory(true);
            }
        }
        lock.lock();
    }
}
