#include "host/vmware_os_interface.h"

#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/shell_command.h"
#include "core/stop_request.h"

const char* const ORB_HARDWARE_LIST_PATH = "/opt/vex/orb/data/orb_hwlist.txt";

namespace {

const char* const TAG = "OS_INTF";

void removeIfPresent(const std::string& path) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        ORB_LOG_WARNING(TAG, "Unable to delete [%s]: %s", path.c_str(), std::strerror(errno));
    }
}

}  // namespace

orbVmwareOSInterface* orbVmwareOSInterface::objInstance = nullptr;

orbVmwareOSInterface* orbVmwareOSInterface::getInstance() {
    // A function-local object: created once (also when two threads ask at the same time) and
    // destroyed once by the runtime at exit; nobody deletes it.
    static orbVmwareOSInterface instance;
    static orbVmwareOSInterface* const published = (objInstance = &instance);
    return published;
}

orbVmwareOSInterface::~orbVmwareOSInterface() {
    if (objInstance == this) {
        objInstance = nullptr;
    }
}

int orbVmwareOSInterface::populateHardwarePCIDetails() {
    std::lock_guard<std::mutex> guard(refreshLock);
    const std::string listPath = orbRootPath(ORB_HARDWARE_LIST_PATH);
    const std::string scratchPath = listPath + ".tmp";
    const std::string command = "localcli hardware pci list > " + orbShellQuote(scratchPath);

    int status = orbRunShellCommand(command);
    if (status != 0) {
        if (orbStopRequested()) {
            // Cut short by the service's stop: no fault of the host.
            ORB_LOG_DEBUG(TAG, "[%s] cut short by the stop; the previous list is kept.",
                          command.c_str());
        } else if (status < 0) {
            // The runner has said why.
            ORB_LOG_ERROR(TAG,
                          "[%s] %s. The hardware list is not refreshed; the previous list "
                          "is kept.",
                          command.c_str(), orbShellResultText(status).c_str());
        } else {
            ORB_LOG_ERROR(TAG,
                          "[%s] failed with exit status %d. The hardware list is not refreshed; "
                          "the previous list is kept.",
                          command.c_str(), status);
        }
        removeIfPresent(scratchPath);
        return -1;
    }
    // rename() replaces the list in one step: a reader sees the old list or the new one,
    // never a list being written.
    if (std::rename(scratchPath.c_str(), listPath.c_str()) != 0) {
        ORB_LOG_ERROR(TAG, "Unable to replace the hardware list [%s]: %s", listPath.c_str(),
                      std::strerror(errno));
        removeIfPresent(scratchPath);
        return -1;
    }
    ORB_LOG_DEBUG(TAG, "Hardware list [%s] refreshed.", listPath.c_str());
    return 0;
}

int orbVmwareOSInterface::Initialize() {
    return 0;
}

int orbVmwareOSInterface::UnInitialize() {
    std::lock_guard<std::mutex> guard(refreshLock);
    removeIfPresent(orbRootPath(ORB_HARDWARE_LIST_PATH));
    return 0;
}

std::map<std::string, std::string> orbVmwareOSInterface::getPciIdInfo(const std::string&) {
    return {};
}

int orbVmwareOSInterface::isExecuteCommandSuccessful(int) {
    return 0;
}

// Commands are run by the shared utilities; this interface keeps the operation for callers
// written against it.
int orbVmwareOSInterface::executeCommandAndFetchOutput(const std::string&,
                                                       std::vector<std::string>&) {
    return 0;
}
