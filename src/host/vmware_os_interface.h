#pragma once

#include <mutex>

#include "host/os_interface.h"

// The ESXi implementation of the OS interface; one object per process.
class orbVmwareOSInterface : public orbOSInterface {
  public:
    static orbVmwareOSInterface* getInstance();

    // Writes the output of "localcli hardware pci list" to a scratch file and puts it in
    // place of the hardware list only when the command succeeded, so readers always see a
    // whole list and a failing command never wipes the last good one. 0 on success, -1 when
    // the command could not be run or failed.
    int populateHardwarePCIDetails() override;
    int Initialize() override;
    // Deletes the hardware list, if there is one.
    int UnInitialize() override;
    std::map<std::string, std::string> getPciIdInfo(const std::string& pci) override;
    int isExecuteCommandSuccessful(int status) override;
    int executeCommandAndFetchOutput(const std::string& command,
                                     std::vector<std::string>& output) override;

    // The singleton lives until process exit and is destroyed there once, by the runtime.
    ~orbVmwareOSInterface() override;
    orbVmwareOSInterface(const orbVmwareOSInterface&) = delete;
    orbVmwareOSInterface& operator=(const orbVmwareOSInterface&) = delete;

  private:
    orbVmwareOSInterface() = default;

    static orbVmwareOSInterface* objInstance;
    std::mutex refreshLock;  // one refresh of the shared file at a time
};
