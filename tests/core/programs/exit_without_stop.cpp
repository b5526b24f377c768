// A host process that starts the resource managers and leaves main without stopping them, as
// a host that exits in a hurry does. It must end with status 0, not abort on a joinable
// thread. Waits until the file named by the first argument exists (or, without one, until
// the host inventory is ready) before leaving.
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "core/job_manager.h"
#include "host/host_resource_manager.h"

int main(int argc, char** argv) {
    const std::string marker = argc > 1 ? argv[1] : "";
    if (!orbJobManager::startResourceManagers()) {
        return 3;
    }
    for (int attempt = 0; attempt < 1000; ++attempt) {
        bool reached = marker.empty() ? HostResourceManager::getInstance()->isInventoryReady(0)
                                      : access(marker.c_str(), F_OK) == 0;
        if (reached) {
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 4;
}
