#include "megaraid/sas_lsi_event.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "core/log.h"
#include "megaraid/store_lib_interface.h"
#include "megaraid/storelib_names.h"

namespace {

constexpr const char* kTag = "LSI_EVENT_INTERF";
// How long unregistration waits for callbacks that are running.
constexpr auto kCallbackWait = std::chrono::seconds(10);

const char* registrationFailure(int status) {
    switch (status) {
        case SL_ERR_INIT_NOT_DONE:
            return "Init not done";
        case SL_ERR_WMI_INIT:
            return "WMI Init failed";
        case SL_ERR_WMI_REGISTRATION:
            return "WMI Registration failed";
        case SL_ERR_COM_INIT:
            return "COM Init failed";
        case SL_ERR_INVALID_EVENT_MASK:
            return "Invalid Event Mask";
        case SL_ERR_CMD_TIMEOUT:
            return "Command Timeout";
        case SL_ERR_INVALID_CTRL:
            return "Invalid controller";
        case SL_ERR_MEMORY_ALLOCATION:
            return "Memory Allocation failed";
        default:
            return nullptr;
    }
}

bool isDriveArgument(int type) {
    return type == MR_EVT_ARGS_PD || type == MR_EVT_ARGS_PD_STATE;
}
bool isVolumeArgument(int type) {
    return type == MR_EVT_ARGS_LD || type == MR_EVT_ARGS_LD_PROGRESS ||
           type == MR_EVT_ARGS_LD_COUNT;
}

}  // namespace

orbSASLSIEvent* orbSASLSIEvent::getInstance() {
    static orbSASLSIEvent instance;
    return &instance;
}

orbSASLSIEvent::~orbSASLSIEvent() {
    // At exit, for a host that never stopped the service: no thread is left joinable.
    stopWorker();
}

bool orbSASLSIEvent::RegisterForAEN(Handler eventHandler) {
    std::lock_guard<std::mutex> lock(registrationMutex);
    orbStoreLibInterface* library = orbStoreLibInterface::getInstance();
    if (!library->orbStoreInit()) {
        return false;
    }
    if (registered.load()) {
        return true;
    }
    handler.store(eventHandler);

    auto input = std::make_unique<SL_REG_AEN_INPUT_T>();
    std::memset(input.get(), 0, sizeof(SL_REG_AEN_INPUT_T));
    const std::vector<uint32_t> ids = library->getControllerIds();
    unsigned selected = 0;
    for (uint32_t ctrlId : ids) {
        std::vector<uint8_t> info(MR_EVT_LOG_INFO_SIZE, 0);
        const int status =
            library->issueCommand(SL_CMD_TYPE_EVENT, SL_GET_EVENT_SEQUENCE_INFO, ctrlId,
                                  info.data(), static_cast<uint32_t>(info.size()));
        if (status != SL_SUCCESS) {
            ORB_LOG_WARNING(kTag,
                            "Failed to determine event sequence info.                        "
                            "     Skipping AEN registration for this controller. (ID: [%u]; "
                            "rval = [0x%x])",
                            ctrlId, status);
            continue;
        }
        SL_REG_AEN_ENTRY_T& entry = input->entries[selected++];
        entry.ctrlId = ctrlId;
        entry.seqNum = orbByteView(info.data(), info.size()).le32(MR_EVT_LOG_INFO_NEWEST) + 1;
        entry.locale = 0xFFFF;
        entry.evtClass = -2;
    }
    if (selected == 0) {
        ORB_LOG_ERROR(kTag,
                      "Unable to register for AEN: No controllers could be selected. (Total: "
                      "[%u]; Selected: [%u])",
                      static_cast<unsigned>(ids.size()), selected);
        return false;
    }
    input->count = selected;
    input->callback = &orbSASLSIEvent::AENCallBack;

    // Ready before the library may call: callbacks arrive as soon as it has registered.
    epRemoveLock.reset();
    startWorker();
    const int status = library->issueCommand(SL_CMD_TYPE_LIBRARY, SL_REGISTER_AEN, 0, input.get(),
                                             sizeof(SL_REG_AEN_INPUT_T));
    if (status != SL_SUCCESS) {
        const char* reason = registrationFailure(status);
        ORB_LOG_ERROR(kTag, "RegisterAENCall failed %s (rval:0x%x)",
                      reason != nullptr ? reason : std::to_string(status).c_str(), status);
        epRemoveLock.removeAndWait(kCallbackWait);
        stopWorker();
        return false;
    }
    uniqueId = orbByteView(input->output, SL_REG_AEN_OUTPUT_SIZE).le32(SL_REG_AEN_OUTPUT_UNIQUE_ID);
    registered.store(true);
    ORB_LOG_INFO(kTag,
                 "AEN Registration successful for [%u] LSI MR controllers. (Unique ID: [0x%x])",
                 selected, uniqueId);
    return true;
}

bool orbSASLSIEvent::UnregisterForAEN() {
    std::lock_guard<std::mutex> lock(registrationMutex);
    if (!registered.load()) {
        return true;
    }
    if (!epRemoveLock.removeAndWait(kCallbackWait)) {
        ORB_LOG_WARNING(kTag, "Event callbacks still running after the wait; unregistering.");
    }
    bool done = false;
    for (int attempt = 1; attempt <= 4 && !done; ++attempt) {
        SL_LIB_CMD_PARAM_T command{};
        command.cmdType = SL_CMD_TYPE_LIBRARY;
        command.cmd = SL_UNREGISTER_AEN;
        command.uniqueId = uniqueId;
        const int status = orbStoreLibInterface::getInstance()->ProcessLibCommandCall(&command);
        done = status == SL_SUCCESS;
        if (!done) {
            ORB_LOG_ERROR(kTag,
                          "Failed to unregister AEN for LSI MR controllers on attempt #%d. "
                          "(Unique ID: [0x%x]; rval: [0x%x])",
                          attempt, uniqueId, status);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    // Either way no event reaches analysis any more: the remove lock refuses the callbacks of
    // a registration the library kept, and the worker ends.
    stopWorker();
    registered.store(false);
    return done;
}

void orbSASLSIEvent::AENCallBack(SL_EVENT_DETAIL_T* event) {
    orbSASLSIEvent* self = getInstance();
    if (event == nullptr || !self->epRemoveLock.acquire()) {
        return;
    }
    orbMREventRecord record;
    if (orbParseEventRecord(
            orbByteView(reinterpret_cast<const uint8_t*>(event), sizeof(SL_EVENT_DETAIL_T)),
            record) &&
        record.status == 0) {
        self->enqueue(record);
    }
    self->epRemoveLock.release();
}

void orbSASLSIEvent::enqueue(const orbMREventRecord& record) {
    std::lock_guard<std::mutex> lock(queueMutex);
    if (workerStop) {
        return;
    }
    if (queue.size() >= kQueueLimit) {
        if (!overflowLogged) {
            ORB_LOG_WARNING(kTag, "Too many firmware events waiting; dropping event 0x%04x.",
                            record.code);
            overflowLogged = true;
        }
        return;
    }
    queue.push_back(record);
    queueCondition.notify_one();
}

void orbSASLSIEvent::startWorker() {
    stopWorker();
    std::lock_guard<std::mutex> lock(queueMutex);
    workerStop = false;
    overflowLogged = false;
    queue.clear();
    worker = std::thread(&orbSASLSIEvent::workerLoop, this);
}

void orbSASLSIEvent::stopWorker() {
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        workerStop = true;
        queueCondition.notify_all();
    }
    if (worker.joinable()) {
        worker.join();
    }
}

ORB_SAS_EVENT_DETAIL orbSASLSIEvent::describe(const orbMREventRecord& record) {
    ORB_SAS_EVENT_DETAIL detail;
    detail.eventCode = record.code;
    detail.eventClass = record.evtClass + 2;
    detail.locale = orbMRLocaleText(record.locale);
    detail.ctrlId = record.ctrlId;
    CTRL_INFO controller;
    if (orbStoreLibInterface::getInstance()->getControllerInventory(record.ctrlId, controller)) {
        detail.ctrlSerialNumber = controller.serialNumber;
    }
    detail.argType = record.argType;
    detail.seqNum = record.seqNum;
    detail.timeStamp = record.timeStamp;
    detail.description = record.description;
    if (detail.locale == "PD_EVENT") {
        if (isDriveArgument(record.argType)) {
            detail.deviceId = record.deviceId;
            detail.enclosure = record.enclosure;
            detail.slot = record.slot;
            detail.previousState = record.previousState;
            detail.newState = record.newState;
            if (record.code == 0x005B || record.code == 0x0072) {
                ORB_LOG_DEBUG(kTag,
                              "Resetting retry/failure counters on PD inserted/state-change "
                              "event @ [%d:%d].",
                              detail.enclosure, detail.slot);
            }
        } else {
            ORB_LOG_DEBUG(kTag,
                          "Ignoring LSI MegaRAID PD-locale event argument type: [%d]; Event "
                          "code: [0x%x]",
                          record.argType, record.code);
        }
    } else if (detail.locale == "LD_EVENT") {
        if (isVolumeArgument(record.argType)) {
            detail.targetId = record.targetId;
            detail.progress = record.progress;
            detail.count = record.count;
        } else {
            ORB_LOG_DEBUG(kTag,
                          "Ignoring LSI MegaRAID LD-locale event argument type: [%d]; Event "
                          "code: [0x%x]",
                          record.argType, record.code);
        }
    }
    return detail;
}

void orbSASLSIEvent::workerLoop() {
    for (;;) {
        std::deque<orbMREventRecord> batch;
        {
            std::unique_lock<std::mutex> lock(queueMutex);
            queueCondition.wait(lock, [this] { return workerStop || !queue.empty(); });
            if (workerStop) {
                return;
            }
            batch.swap(queue);
            overflowLogged = false;
        }
        // One refresh of each list the batch touches, then every event of it: a burst costs
        // one rebuild, not one per event.
        std::set<std::string> locales;
        std::vector<ORB_SAS_EVENT_DETAIL> details;
        for (const orbMREventRecord& record : batch) {
            details.push_back(describe(record));
            ORB_LOG_INFO(kTag, "[Msg # 0x%04x] %s", record.code,
                         details.back().description.c_str());
            locales.insert(details.back().locale);
        }
        orbStoreLibInterface* library = orbStoreLibInterface::getInstance();
        if (locales.count("ALL_EVENT") != 0 || locales.size() > 1) {
            library->cacheBuild("ALL_EVENT");
        } else if (!locales.empty()) {
            library->cacheBuild(*locales.begin());
        }
        for (ORB_SAS_EVENT_DETAIL& detail : details) {
            {
                std::lock_guard<std::mutex> lock(queueMutex);
                if (workerStop) {
                    return;
                }
            }
            if (Handler target = handler.load()) {
                target(&detail);
            }
        }
    }
}
