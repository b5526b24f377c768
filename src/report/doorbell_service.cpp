#include "report/doorbell_service.h"

#include <time.h>

#include <cerrno>
#include <chrono>

#include "core/config.h"
#include "core/log.h"
#include "core/stop_request.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"

namespace {
const char* const kTag = "IPMI_DB";
}

orbIPMIDBService* orbIPMIDBService::getInstance() {
    // Never destroyed: a polling thread that a stop had to let go (still in a poll that
    // ignores the stop) finds the service whole whenever it comes back.
    static orbIPMIDBService* const instance = new orbIPMIDBService();
    // A host that exits without stopping the service must not leave the polling thread
    // running: it is stopped at exit.
    struct StopAtExit {
        ~StopAtExit() { instance->stop(); }
    };
    static StopAtExit stopAtExit;
    return instance;
}

orbIPMIDBService::orbIPMIDBService() {
    // The polling thread reads the configuration and asks the aggregator for pushes until it
    // is stopped, at the latest at exit: both must be created first, so that they are stopped
    // and destroyed after.
    orbConfig::getInstance();
    orbJsonAggregator::getInstance();
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

void orbIPMIDBService::start() {
    std::lock_guard<std::mutex> lock(cmutex);
    if (stopped) {
        ORB_LOG_WARNING(kTag, "The door-bell service was stopped and is not started again");
        return;
    }
    thread.start([this] { startMonitoring(); }, kTag);
}

void orbIPMIDBService::stop() {
    ORB_LOG_DEBUG(kTag, "Stopping orbIPMIDBService");
    const auto deadline = std::chrono::steady_clock::now() + orbServiceThread::kStopWait;
    {
        // Under cmutex, so that the polling thread cannot miss it between a check and a wait.
        std::lock_guard<std::mutex> lock(cmutex);
        stopped = true;
        thread.requestStop();
        cond.notify_all();
    }
    ORB_LOG_DEBUG(kTag, "Signaled for stop.");
    thread.waitAndJoin(deadline, kTag, "The door-bell thread");
}

void orbIPMIDBService::startMonitoring() {
    std::unique_lock<std::mutex> lock(cmutex);
    const std::chrono::milliseconds interval =
        testInterval.count() > 0
            ? testInterval
            : std::chrono::minutes(orbConfig::getInstance()->getDoorBellSleepInterval());
    for (;;) {
        if (!orbStopRequested() && !checkIPMIDevice) {
            // Timed on the monotonic clock, so that a change of the wall clock neither
            // stretches nor skips the wait.
            timespec now{};
            if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) {
                const int error = errno;  // the log call may change errno
                ORB_LOG_ERROR(kTag, "Failed to get current time! (error no: %d)", error);
                break;
            }
            const auto deadline = std::chrono::steady_clock::now() + interval;
            // A stop that came before the wait began ends it at once.
            cond.wait_until(lock, deadline, [] { return orbStopRequested(); });
            ORB_LOG_DEBUG(kTag, "DB service thread up.");
            if (!orbStopRequested()) {
                checkIPMIDevice = true;
            }
        }
        const bool stopping = orbStopRequested();
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
            if (device.checkIPMIDBRequest() && !orbStopRequested()) {
                orbJsonAggregator::sendInventory(true);
            }
        }
        lock.lock();
    }
}
