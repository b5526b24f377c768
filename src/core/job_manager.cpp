#include "core/job_manager.h"

#include <csignal>
#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/module_names.h"
#include "core/resource_manager.h"
#include "core/utils.h"

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

}  // namespace

orbJobManager* orbJobManager::getInstance() {
    static orbJobManager instance;
    return &instance;
}

bool orbJobManager::startResourceManagers() {
    orbJobManager* self = getInstance();
    self->retval.fill(-1);

    std::vector<int> startList = {RESOURCE_FC,   RESOURCE_HOST, RESOURCE_SAS,       RESOURCE_NIC,
                                  RESOURCE_NVME, RESOURCE_GPU,  RESOURCE_INFINIBAND};
    if (orbUtils::getPlatformFamily() == "PLATFAM-ALPHA") {
        startList.push_back(RESOURCE_TPM);
    }

    for (size_t i = 0; i < startList.size() && i < kThreadSlots; ++i) {
        int type = startList[i];
        if (hasNoThread(type) || self->threads[i].joinable()) {
            continue;
        }
        try {
            self->threads[i] = std::thread(initializeResourceManager,
                                           reinterpret_cast<void*>(static_cast<intptr_t>(type)));
            self->retval[i] = 0;
        } catch (const std::system_error& error) {
            self->retval[i] = error.code().value();
            ORB_LOG_ERROR(kTag, "Error:unable to create thread");
            return false;
        }
        simulateUnhandledExceptions();
    }
    return true;
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
    orbJobManager* self = getInstance();
    ORB_LOG_INFO(kTag, "stopping all the RM");

    for (int type : {RESOURCE_HOST, RESOURCE_SAS, RESOURCE_NIC, RESOURCE_NVME, RESOURCE_FC}) {
        if (!orbConfig::getInstance()->isResourceEnabled(type)) {
            continue;
        }
        if (orbResourceManager* manager = orbFactory::createInstance(type)) {
            manager->stopResourceManagerJob();
        }
    }
    // Only threads that were actually started are joined: after a failed or missing start
    // the other slots hold no thread.
    for (size_t slot : {1, 2, 3, 0, 4}) {
        if (self->threads[slot].joinable()) {
            self->threads[slot].join();
        }
    }
    ORB_LOG_INFO(kTag, "ORB Exiting Gracefully!");
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
