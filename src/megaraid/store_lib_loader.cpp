// Loading, initialising and closing the storage library, and the one road every command takes
// into it.
#include <dlfcn.h>
#include <signal.h>

#include <cstring>
#include <string>

#include "core/log.h"
#include "core/platform_path.h"
#include "megaraid/store_lib_interface.h"

namespace {

constexpr const char* kTag = "LSI_INTERF";
// Where the storelib package installs the library.
constexpr const char* kLibraryPath = "/opt/vex/orb/lib/libstorelib.so";

// The library reaps the helpers it starts itself; the handler only keeps SIGCHLD from being
// ignored, which would make those waits fail.
void sighdlr(int) {}

struct sigaction savedSigchld;

const char* initStatusText(int status) {
    switch (status) {
        case SL_SUCCESS:
            return "InitializeLibraryMR successful";
        case SL_ERR_FAILED:
            return "InitializeLibraryMR failed _FAILED";
        case SL_ERR_NOT_PRESENT:
            return "InitializeLibraryMR failed _NOT_PRESENT";
        case SL_ERR_LIBSYSFS_NOT_PRESENT:
            return "InitializeLibraryMR failed:LIBSYSFS_NOT_PRESENT";
        case SL_ERR_ACCESS_LEVEL:
            return "User Access level incorrect, administrator privilege required";
        default:
            return nullptr;
    }
}

}  // namespace

orbStoreLibInterface* orbStoreLibInterface::getInstance() {
    static orbStoreLibInterface instance;
    return &instance;
}

bool orbStoreLibInterface::orbStoreInit() {
    std::lock_guard<std::mutex> lock(libraryMutex);
    // Usable only with the library initialised and controllers to manage.
    if (pfnProcessLibCommandMR.load() != nullptr && initializeMRsuccessful.load()) {
        return true;
    }
    if (doNotRetryLibLoad.load()) {
        return false;
    }
    if (!loadLibrary()) {
        return false;
    }
    std::memset(&gCtrlListMR, 0, sizeof(gCtrlListMR));
    struct sigaction current {};
    if (sigaction(SIGCHLD, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
        (current.sa_flags & SA_SIGINFO) == 0) {
        // Only over the default: a handler the host installed stays its own. SA_RESTART keeps
        // other threads' reads of pipes from failing with EINTR when a child ends.
        struct sigaction handler {};
        handler.sa_handler = sighdlr;
        sigemptyset(&handler.sa_mask);
        handler.sa_flags = SA_RESTART;
        sigchldInstalled = sigaction(SIGCHLD, &handler, &savedSigchld) == 0;
    }
    ORB_LOG_INFO(kTag, "Initializing library for MegaRAID SAS Controller...");
    const int status = InitializeLibraryMR();
    if (const char* text = initStatusText(status)) {
        ORB_LOG_INFO(kTag, "%s", text);
    }
    if (status != SL_SUCCESS) {
        ORB_LOG_ERROR(kTag, "InitLib failed for MegaRAID SAS Controller!!");
        initializeMRsuccessful.store(false);
        closeLibrary();
        return false;
    }
    if (gCtrlListMR.simulationMode == 1) {
        ORB_LOG_WARNING(kTag, "MegaRAID SAS Controller is running under Simulation Mode.");
    }
    // mergeControllerLists: only MegaRAID controllers are listed, each count clamped to the
    // 64 identifiers the list holds.
    const orbMRControllerList merged = orbParseControllerList(
        orbByteView(reinterpret_cast<const uint8_t*>(&gCtrlListMR), sizeof(gCtrlListMR)));
    std::memset(&gCtrlList, 0, sizeof(gCtrlList));
    gCtrlList.count = static_cast<uint16_t>(merged.ids.size());
    gCtrlList.simulationMode = gCtrlListMR.simulationMode;
    for (size_t i = 0; i < merged.ids.size(); ++i) {
        gCtrlList.ctrlId[i] = merged.ids[i];
    }
    gTotalControllers.store(gCtrlList.count);
    if (gCtrlList.count == 0) {
        ORB_LOG_WARNING(kTag, "No LSI MR controllers found");
        SL_LIB_CMD_PARAM_T exit{};
        exit.cmdType = SL_CMD_TYPE_LIBRARY;
        exit.cmd = SL_EXIT_LIB;
        ProcessLibCommandCall(&exit);
        initializeMRsuccessful.store(false);
        closeLibrary();
        return false;
    }
    initializeMRsuccessful.store(true);
    return true;
}

bool orbStoreLibInterface::loadLibrary() {
    const std::string path = orbRootPath(kLibraryPath);
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_LAZY);
    if (handle == nullptr) {
        const char* reason = dlerror();
        doNotRetryLibLoad.store(true);
        initializeMRsuccessful.store(false);
        ORB_LOG_ERROR(kTag,
                      "Failed to load library for monitoring MegaRAID devices. If you need ORB "
                      "to monitor this class of devices, then kindly remove and install storelib "
                      "package and restart orb.service.");
        ORB_LOG_DEBUG(kTag, "Error occurred while loading MegaRAID lib dlerror = %s",
                      reason != nullptr ? reason : "unknown error");
        return false;
    }
    ORB_LOG_INFO(kTag, "Library loaded for MegaRAID SAS Controller.");
    dlerror();
    auto entry = reinterpret_cast<SL_PROCESS_LIB_COMMAND>(dlsym(handle, SL_ENTRY_POINT_SYMBOL));
    if (entry == nullptr) {
        ORB_LOG_ERROR(kTag, "Unable to get Entry Point function address Exiting.");
        // A library without its entry point will not grow one: close it and never retry.
        dlclose(handle);
        doNotRetryLibLoad.store(true);
        return false;
    }
    dllInstanceMR = handle;
    libMRPresent.store(true);
    pfnProcessLibCommandMR.store(entry);
    pfnProcessLibCommand.store(entry);
    return true;
}

int orbStoreLibInterface::InitializeLibraryMR() {
    SL_LIB_CMD_PARAM_T command{};
    command.cmdType = SL_CMD_TYPE_LIBRARY;
    command.cmd = SL_INIT_LIB;
    command.initFlag = 1;
    command.dataSize = sizeof(gCtrlListMR);
    command.pData = &gCtrlListMR;
    return ProcessLibCommandCall(&command);
}

void orbStoreLibInterface::closeLibrary() {
    // The entry points go first, so nothing calls into a closed library.
    pfnProcessLibCommandMR.store(nullptr);
    pfnProcessLibCommand.store(nullptr);
    libMRPresent.store(false);
    if (dllInstanceMR != nullptr) {
        dlclose(dllInstanceMR);
        dllInstanceMR = nullptr;
    }
    if (sigchldInstalled) {
        sigaction(SIGCHLD, &savedSigchld, nullptr);
        sigchldInstalled = false;
    }
    gTotalControllers.store(0);
    std::memset(&gCtrlList, 0, sizeof(gCtrlList));
}

int orbStoreLibInterface::ProcessLibCommandCall(SL_LIB_CMD_PARAM_T* command) {
    // A controller whose identifier's top byte is 0 is a MegaRAID controller; every other
    // command takes the general entry point (the same library here).
    SL_PROCESS_LIB_COMMAND entry =
        (command->ctrlId >> 24) == 0 ? pfnProcessLibCommandMR.load() : pfnProcessLibCommand.load();
    if (entry == nullptr) {
        return SL_ERR_INIT_NOT_DONE;
    }
    return entry(command);
}

int orbStoreLibInterface::issueCommand(uint8_t type, uint8_t cmd, uint32_t ctrlId, void* data,
                                       uint32_t size, uint16_t deviceId) {
    SL_LIB_CMD_PARAM_T command{};
    command.cmdType = type;
    command.cmd = cmd;
    command.ctrlId = ctrlId;
    command.deviceId = deviceId;
    command.dataSize = size;
    command.pData = data;
    const int status = ProcessLibCommandCall(&command);
    if (status != SL_SUCCESS) {
        ORB_LOG_DEBUG(kTag, "ProcessLibCommandCall failed!! retVal 0x%X\n", status);
    }
    return status;
}

int orbStoreLibInterface::UnInitializeLibrary() {
    std::lock_guard<std::mutex> lock(libraryMutex);
    if (!initializeMRsuccessful.load()) {
        return SL_ERR_INIT_NOT_DONE;
    }
    SL_LIB_CMD_PARAM_T command{};
    command.cmdType = SL_CMD_TYPE_LIBRARY;
    command.cmd = SL_EXIT_LIB;
    const int status = ProcessLibCommandCall(&command);
    if (status == SL_SUCCESS) {
        ORB_LOG_INFO(kTag, "UnInitializeLibrary successful");
        initializeMRsuccessful.store(false);
    } else {
        ORB_LOG_ERROR(kTag, "UnInitializeLibrary failed");
    }
    return status;
}

void orbStoreLibInterface::unloadDLLs() {
    std::lock_guard<std::mutex> lock(libraryMutex);
    if (dllInstanceMR == nullptr) {
        return;
    }
    ORB_LOG_INFO(kTag, "UnInitializing library for MegaRAID SAS Controller.");
    initializeMRsuccessful.store(false);
    closeLibrary();
}
