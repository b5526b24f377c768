#include "report/inventory_aggregator.h"

#include <time.h>

#include <cerrno>
#include <chrono>
#include <vector>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/logger.h"
#include "core/module_names.h"
#include "core/resource_manager.h"
#include "core/stop_request.h"
#include "report/event_sender.h"
#include "report/ipmi_utils.h"
#include "report/json_text.h"
#include "report/retry_backoff.h"

namespace {

const char* const kTag = "JSON_AGGR";

// The aggregator asks the managers this many times before it pushes whatever it has.
constexpr int kLastReadinessPoll = 8;

// Storage kinds asked of the storage managers, and the keys their elements go under.
struct StorageKind {
    int kind;
    const char* key;
};
const StorageKind kSasKinds[] = {
    {1, "StorageControllers"}, {2, "Drives"}, {3, "Volumes"}, {4, "StorageEnclosures"}};
const StorageKind kNvmeKinds[] = {{1, "StorageControllers"}, {2, "Drives"}};

void appendAll(Json::Value& target, const std::vector<Json::Value>& elements) {
    for (const Json::Value& element : elements) {
        target.append(element);
    }
}

}  // namespace

orbJsonAggregator* orbJsonAggregator::getInstance() {
    // Never destroyed: a push thread that a stop had to let go (still inside a manager that
    // ignores the stop), or a manager thread let go at exit that raises an event, finds the
    // aggregator whole whenever it comes back.
    static orbJsonAggregator* const instance = new orbJsonAggregator();
    // A host that exits without stopping the service must not leave the push thread running:
    // it is stopped at exit, after what was created later (the job manager) has stopped.
    struct StopAtExit {
        ~StopAtExit() {
            instance->requestStop();
            instance->waitStopped(std::chrono::steady_clock::now() + orbServiceThread::kStopWait);
        }
    };
    static StopAtExit stopAtExit;
    return instance;
}

orbJsonAggregator::orbJsonAggregator()
    : orb_RM_to_string{
          {RESOURCE_FC, "FibreChannelDevices"},   {RESOURCE_HOST, "Oem"},
          {RESOURCE_SAS, "StorageControllers"},   {RESOURCE_NIC, "EthernetDevices"},
          {RESOURCE_GPU, "Processors"},           {RESOURCE_INFINIBAND, "InfiniBandDevices"},
          {RESOURCE_TPM, "TrustedPlatformModule"}} {
    // The push thread logs, reads the configuration and asks the managers for their inventory
    // until it is stopped, at the latest at exit: all of them must be created first, to be
    // destroyed after that stop, whatever order the host starts things in. So must the event
    // sender, which the managers' threads use until the job manager (created after this
    // object) stops them at exit.
    CPlusPlusLogging::Logger::getInstance();
    orbConfig* config = orbConfig::getInstance();
    for (int type = RESOURCE_FC; type <= RESOURCE_TPM; ++type) {
        if (config->isResourceEnabled(type)) {
            orbFactory::createInstance(type);
        }
    }
    orbEventSender::getInstance();
}

void orbJsonAggregator::setRetryDelays(std::chrono::milliseconds first,
                                       std::chrono::milliseconds cap) {
    orbJsonAggregator* self = getInstance();
    std::lock_guard<std::mutex> lock(self->cmutex);
    self->retryFirst = first;
    self->retryCap = cap;
}

void orbJsonAggregator::sendInventory(bool request) {
    if (request) {
        getInstance()->requestPush();
    } else {
        getInstance()->startPushThread();
    }
}

void orbJsonAggregator::stoporbJsonAggregator() {
    // Both threads are asked to stop first and then waited for against one deadline, so that
    // the whole stop stays within its two seconds.
    const auto deadline = std::chrono::steady_clock::now() + orbServiceThread::kStopWait;
    orbJsonAggregator* self = getInstance();
    orbEventSender* sender = orbEventSender::getInstance();
    self->requestStop();
    sender->requestStop();
    self->waitStopped(deadline);
    sender->waitStopped(deadline);
}

bool orbJsonAggregator::isInventorySent() {
    return getInstance()->firstInventoryPushComplete.load();
}

void orbJsonAggregator::startPushThread() {
    ORB_LOG_DEBUG(kTag, "Creating Json Aggregator thread");
    std::lock_guard<std::mutex> lock(cmutex);
    if (stopped) {
        ORB_LOG_WARNING(kTag, "The inventory push thread was stopped and is not started again");
        return;
    }
    thread.start([this] { initializeCachePush(); }, kTag);
}

void orbJsonAggregator::requestPush() {
    std::lock_guard<std::mutex> lock(cmutex);
    pushInventory = true;
    if (firstInventoryPushComplete.load()) {
        ORB_LOG_DEBUG(kTag, "Request to send inventory");
        cond.notify_all();
    } else {
        // The first push happens anyway once the managers are ready.
        ORB_LOG_DEBUG(kTag, "Dropping inventory send request");
    }
}

void orbJsonAggregator::requestStop() {
    ORB_LOG_DEBUG(kTag, "Stopping orbJsonAggr");
    {
        // Under cmutex, so that the push thread cannot miss it between a check and a wait.
        std::lock_guard<std::mutex> lock(cmutex);
        stopped = true;
        thread.requestStop();
        cond.notify_all();
    }
    ORB_LOG_DEBUG(kTag, "Signaled for stop.");
}

void orbJsonAggregator::waitStopped(std::chrono::steady_clock::time_point deadline) {
    thread.waitAndJoin(deadline, kTag, "The inventory push thread");
}

bool orbJsonAggregator::aggrThreadSleep(std::unique_lock<std::mutex>& lock,
                                        std::chrono::milliseconds duration, bool wakeOnPush) {
    // The waits are timed on the monotonic clock, so that a change of the wall clock neither
    // stretches nor skips them.
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) {
        const int error = errno;  // the log call may change errno
        ORB_LOG_ERROR(kTag, "Failed to get current time! (errno: %d)", error);
        return false;
    }
    // A stop (or, between pushes, a request) that came before the wait began is not lost.
    const auto deadline = std::chrono::steady_clock::now() + duration;
    cond.wait_until(lock, deadline,
                    [&] { return orbStopRequested() || (wakeOnPush && pushInventory); });
    ORB_LOG_DEBUG(kTag, "Thread signaled");
    return true;
}

void orbJsonAggregator::initializeCachePush() {
    const std::chrono::milliseconds pushInterval =
        std::chrono::minutes(orbConfig::getInstance()->getInventoryPushIntervalSettings());
    std::unique_lock<std::mutex> lock(cmutex);
    if (!checkIfInventoryReady(lock)) {
        return;
    }
    orbRetryBackoff backoff(retryFirst, retryCap);
    std::chrono::milliseconds retryDelay{0};
    while (!orbStopRequested()) {
        if (retryDelay.count() > 0) {
            // A request does not cut the back-off short; the retry collects the inventory
            // afresh, so a newer document replaces the one that failed.
            if (!aggrThreadSleep(lock, retryDelay, false) || orbStopRequested()) {
                break;
            }
        } else if (!pushInventory) {
            // Wakes for a request, or pushes anyway when the interval has passed.
            if (!aggrThreadSleep(lock, pushInterval, true) || orbStopRequested()) {
                break;
            }
        }
        pushInventory = false;
        lock.unlock();
        const auto pushStart = std::chrono::steady_clock::now();
        const PushResult result = createInventoryJsonString();
        ORB_LOG_INFO(
            kTag, "Inventory push (collect, write, deliver) %s in %.1f ms",
            result == PushResult::Delivered ? "delivered"
            : result == PushResult::Failed  ? "failed"
                                            : "not delivered",
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - pushStart)
                .count());
        lock.lock();
        if (result == PushResult::Failed) {
            if (orbStopRequested()) {
                break;
            }
            // Logged once per outage; the attempts in between only in the debug log.
            const orbLogKind kind =
                backoff.failuresSoFar() == 0 ? orbLogKind::Error : orbLogKind::Debug;
            retryDelay = backoff.failed();
            ORB_LOG(kind, kTag, "An Error occurred in delivering inventory string to RMC!");
            ORB_LOG_DEBUG(kTag, "Inventory push %u failed; next attempt in %lld ms",
                          backoff.failuresSoFar(), static_cast<long long>(retryDelay.count()));
            continue;
        }
        const unsigned failures = backoff.delivered();
        if (failures > 0 && result == PushResult::Delivered) {
            ORB_LOG_INFO(kTag, "Inventory delivered to RMC after %u failed attempts", failures);
        }
        retryDelay = std::chrono::milliseconds(0);
    }
}

bool orbJsonAggregator::checkIfInventoryReady(std::unique_lock<std::mutex>& lock) {
    ORB_LOG_DEBUG(kTag, "Entry checkIfInventoryReady");
    const long interval = orbConfig::getInstance()->getInventoryQueryInterval();
    for (int iteration = 0;; ++iteration) {
        ORB_LOG_DEBUG(kTag, "Aggregator thread sleeping for %ld sec iteration no. %d", interval,
                      iteration + 1);
        if (!aggrThreadSleep(lock, std::chrono::seconds(interval), false) || orbStopRequested()) {
            return false;
        }
        // Managers are asked without the lock: a manager that asks for a push from its own
        // thread meanwhile must not wait on it.
        lock.unlock();
        bool allReady = true;
        for (int type = RESOURCE_FC; type <= RESOURCE_TPM; ++type) {
            if (!orbConfig::getInstance()->isResourceEnabled(type)) {
                continue;
            }
            orbResourceManager* manager = orbFactory::createInstance(type);
            if (manager != nullptr && !manager->isInventoryReady(iteration)) {
                ORB_LOG_INFO(kTag, "RM %d not ready with inventory", type);
                allReady = false;
            }
        }
        lock.lock();
        if (orbStopRequested()) {
            return false;
        }
        if (allReady || iteration == kLastReadinessPoll) {
            return true;
        }
    }
}

orbJsonAggregator::PushResult orbJsonAggregator::createInventoryJsonString() {
    inventory = Json::Value(Json::objectValue);
    for (int type = RESOURCE_FC; type <= RESOURCE_TPM; ++type) {
        if (!orbConfig::getInstance()->isResourceEnabled(type)) {
            continue;
        }
        orbResourceManager* manager = orbFactory::createInstance(type);
        if (manager == nullptr) {
            continue;
        }
        if (type == RESOURCE_SAS || type == RESOURCE_NVME) {
            const bool isSas = type == RESOURCE_SAS;
            const StorageKind* kinds = isSas ? kSasKinds : kNvmeKinds;
            size_t count = isSas ? std::size(kSasKinds) : std::size(kNvmeKinds);
            for (size_t i = 0; i < count; ++i) {
                std::vector<Json::Value> elements;
                int result = manager->getInventoryJsonObject2(kinds[i].kind, elements);
                ORB_LOG_DEBUG(kTag, "RM inventory type: [%d]", result);
                if (!elements.empty()) {
                    appendAll(inventory[kinds[i].key], elements);
                }
            }
            continue;
        }
        std::vector<Json::Value> elements;
        int result = manager->getInventoryJsonObject(elements);
        ORB_LOG_DEBUG(kTag, "RM inventory type: [%d]", result);
        if (elements.empty()) {
            continue;
        }
        const std::string& key = orb_RM_to_string.at(type);
        if (type == RESOURCE_HOST || type == RESOURCE_TPM) {
            inventory[key] = elements.back();
        } else {
            appendAll(inventory[key], elements);
        }
    }

    if (inventory.empty()) {
        // Nothing to send still counts as the first push, so that events are forwarded.
        ORB_LOG_WARNING(kTag, "No inventory information found!");
        firstInventoryPushComplete.store(true);
        return PushResult::NothingToSend;
    }
    envelope = Json::Value(Json::objectValue);
    envelope["HostDataCollection"] = inventory;
    const PushResult result = sendJsonString();
    // Only a document the RMC took, or refused for good, counts as the first push: until then
    // only host and service events go out, and a push that did not reach the RMC is retried.
    if (result != PushResult::Failed) {
        firstInventoryPushComplete.store(true);
    }
    return result;
}

orbJsonAggregator::PushResult orbJsonAggregator::sendJsonString() {
    std::string text = orbJsonOneLine(envelope);
    ORB_LOG_INFO(kTag, "*************printing final Json String*******");
    ORB_LOG_INFO(kTag, "%s", text.c_str());
    switch (ipmi::IPMIUtils::RMC_CLI_Cmd_Deliver("WriteInventory", text)) {
        case ipmi::IPMIUtils::Delivery::Delivered:
            ORB_LOG_DEBUG(kTag, "Success in delivering inventory string to RMC!");
            return PushResult::Delivered;
        case ipmi::IPMIUtils::Delivery::Refused:
            ORB_LOG_ERROR(kTag, "An Error occurred in delivering inventory string to RMC!");
            ORB_LOG_WARNING(kTag,
                            "The RMC refused the inventory; it is sent again at the next "
                            "push");
            return PushResult::Refused;
        case ipmi::IPMIUtils::Delivery::NotDelivered:
            break;
    }
    if (orbStopRequested()) {
        ORB_LOG_INFO(kTag, "Inventory push cut short by the stop: not delivered");
    }
    return PushResult::Failed;
}
