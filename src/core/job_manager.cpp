#include "core/job_manager.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/logger.h"
#include "core/module_names.h"
#include "core/resource_manager.h"
#include "core/utils.h"
#include "report/inventory_aggregator.h"
#include "report/orb_server.h"

namespace {

const char* const kTag = "JOB_MGR";

// Types with a name but no manager get a place in the start list and no thread.
bool hasNoThread(int type) {
    return type == RESOURCE_GPU || type == RESOURCE_INFINIBAND || type == RESOURCE_TPM;
}

// The configured values are the signal numbers of the crash to simulate.
constexpr long kSimulateSegmentationFault = 11;
constexpr long kSimulateAbort = 6;

// Thrown where no handler can exist, so the process aborts as an unhandled exception would.
#pragma GCC diagnostic push
#if defined(__clang__)
#pragma GCC diagnostic ignored "-Wexceptions"
#else
#pragma GCC diagnostic ignored "-Wterminate"
#endif
[[noreturn]] void throwUncaught(long value) noexcept {
    throw std::invalid_argument("Simulated unhandled exception " + std::to_string(value));
}
#pragma GCC diagnostic pop

// A stop waits this long for all the managers together; the rest of its two seconds is for
// the stop requests and the log lines.
constexpr std::chrono::milliseconds kStopWait{1500};
const int kStopOrder[] = {RESOURCE_HOST, RESOURCE_SAS, RESOURCE_NIC, RESOURCE_NVME, RESOURCE_FC};
const size_t kJoinOrder[] = {1, 2, 3, 0, 4};

const char* moduleNameText(int type) {
    const std::string* name = orbModuleName(type);
    return name != nullptr ? name->c_str() : "?";
}

}  // namespace

orbJobManager::orbJobManager() {
    // The manager threads use the logger, the configuration, the managers and the aggregator.
    // Made while this object is being built, they are destroyed after it at process exit, so
    // that its destructor can still stop the threads that use them.
    CPlusPlusLogging::Logger::getInstance();
    orbConfig* config = orbConfig::getInstance();
    for (int type : kStopOrder) {
        if (config->isResourceEnabled(type)) {
            orbFactory::createInstance(type);
        }
    }
    orbJsonAggregator::getInstance();
}

orbJobManager::~orbJobManager() {
    std::lock_guard<std::mutex> lock(mutex);
    bool running = false;
    for (const orbServiceThread& thread : threads) {
        running = running || thread.isRunning();
    }
    if (running) {
        // The process is exiting without a stop; the managers are stopped here, and a thread
        // that does not end in time is let go rather than left joinable.
        ORB_LOG_WARNING(kTag,
                        "The process is exiting with resource managers running; stopping them.");
        stopThreads();
    }
}

orbJobManager* orbJobManager::getInstance() {
    static orbJobManager instance;
    return &instance;
}

bool orbJobManager::startResourceManagers() {
    orbJobManager* self = getInstance();
    std::lock_guard<std::mutex> lock(self->mutex);
    self->retval.fill(-1);

    std::vector<int> startList = {RESOURCE_FC,   RESOURCE_HOST, RESOURCE_SAS,       RESOURCE_NIC,
                                  RESOURCE_NVME, RESOURCE_GPU,  RESOURCE_INFINIBAND};
    if (orbUtils::getPlatformFamily() == "PLATFAM-ALPHA") {
        startList.push_back(RESOURCE_TPM);
    }

    bool allStarted = true;
    for (size_t i = 0; i < startList.size() && i < kThreadSlots; ++i) {
        int type = startList[i];
        if (hasNoThread(type)) {
            continue;
        }
        // The body uses nothing of this object, so a thread let go when the job manager is
        // destroyed at exit reaches nothing destroyed with it.
        orbServiceThread::Start started = self->threads[i].start(
            [type] {
                initializeResourceManager(reinterpret_cast<void*>(static_cast<intptr_t>(type)));
            },
            kTag);
        switch (started) {
            case orbServiceThread::Start::Started:
                self->types[i] = type;
                self->retval[i] = 0;
                simulateUnhandledExceptions();
                break;
            case orbServiceThread::Start::AlreadyRunning:
                ORB_LOG_DEBUG(kTag, "Resource manager %s [%d] is already running.",
                              moduleNameText(type), type);
                break;
            case orbServiceThread::Start::StillStopping:
                ORB_LOG_ERROR(
                    kTag, "Resource manager %s [%d] is still stopping; it is not started again.",
                    moduleNameText(type), type);
                allStarted = false;
                break;
            case orbServiceThread::Start::Failed:
                ORB_LOG_ERROR(kTag, "Error:unable to create thread");
                return false;
        }
    }
    return allStarted;
}

void* orbJobManager::initializeResourceManager(void* arg) {
    int type = static_cast<int>(reinterpret_cast<intptr_t>(arg));
    const std::string* name = orbModuleName(type);
    if (name == nullptr) {
        ORB_LOG_WARNING(kTag, "Unable to find module name for Resource Manager [%d].", type);
        return nullptr;
    }
    if (!orbConfig::getInstance()->isResourceEnabled(type)) {
        ORB_LOG_DEBUG(kTag, "Resource manager %s [%d] is disabled.", name->c_str(), type);
        return nullptr;
    }
    ORB_LOG_DEBUG(kTag, "Creating thread for %s", name->c_str());
    orbResourceManager* manager = orbFactory::createInstance(type);
    if (manager == nullptr) {
        ORB_LOG_WARNING(kTag, "No resource manager is available for %s [%d].", name->c_str(), type);
        return nullptr;
    }
    manager->init();
    return nullptr;
}

void orbJobManager::stopResourceManagers() {
    ORB_LOG_INFO(kTag, "stopping all the RM");
    orbJobManager* self = getInstance();
    std::unique_lock<std::mutex> lock(self->mutex);
    const bool allEnded = self->stopThreads();
    lock.unlock();
    if (allEnded) {
        ORB_LOG_INFO(kTag, "ORB Exiting Gracefully!");
    } else {
        ORB_LOG_ERROR(kTag, "ORB stopped with resource-manager threads still running.");
    }
}

bool orbJobManager::stopThreads() {
    const auto deadline = std::chrono::steady_clock::now() + kStopWait;
    std::array<bool, kThreadSlots> running{};
    for (size_t slot = 0; slot < kThreadSlots; ++slot) {
        running[slot] = threads[slot].isRunning();
        threads[slot].requestStop();
    }
    // Only managers whose thread runs are asked: a request to a manager with no thread would
    // stay pending and end its next run at once.
    for (int type : kStopOrder) {
        for (size_t slot = 0; slot < kThreadSlots; ++slot) {
            if (!running[slot] || types[slot] != type ||
                !orbConfig::getInstance()->isResourceEnabled(type)) {
                continue;
            }
            if (orbResourceManager* manager = orbFactory::createInstance(type)) {
                manager->stopResourceManagerJob();
            }
        }
    }
    bool allEnded = true;
    for (size_t slot : kJoinOrder) {
        const std::string what = std::string("Resource manager ") + moduleNameText(types[slot]) +
                                 " [" + std::to_string(types[slot]) + "]";
        if (!threads[slot].waitAndJoin(deadline, kTag, what)) {
            allEnded = false;
        }
    }
    return allEnded;
}

bool orbJobManager::startORBServer() {
    return ORBServer::initializeORBServer();
}

void orbJobManager::stopORBServer() {
    ORBServer::stopORBServer();
}

void orbJobManager::simulateUnhandledExceptions() {
    long value = orbConfig::getInstance()->getUnhandledExceptionToSimulate();
    if (value == kSimulateSegmentationFault) {
        ORB_LOG_WARNING(kTag, "Simulating unhandled exception SIGSEGV. (%ld)", value);
        std::raise(SIGSEGV);
    } else if (value == kSimulateAbort) {
        ORB_LOG_WARNING(kTag, "Simulating unhandled exception SIGABRT. (%ld)", value);
        throwUncaught(value);
    }
}
