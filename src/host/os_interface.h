#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/os_abstract_interface.h"

// The hardware list: a snapshot of the host's PCI device list ("localcli hardware pci list"),
// one block per PCI function that starts with the function's address and ends with an empty
// line. The PCI ID and manufacturer lookups read it.
extern const char* const ORB_HARDWARE_LIST_PATH;  // "/opt/vex/orb/data/orb_hwlist.txt"

// Operating-system services the device discovery needs beyond plain files.
class orbOSInterface : public orbOSAbstractInterface {
  public:
    // Refreshes the hardware list; 0 on success.
    virtual int populateHardwarePCIDetails() = 0;
    virtual int Initialize() = 0;
    virtual int UnInitialize() = 0;
    virtual std::map<std::string, std::string> getPciIdInfo(const std::string& pci) = 0;
    virtual int isExecuteCommandSuccessful(int status) = 0;
    virtual int executeCommandAndFetchOutput(const std::string& command,
                                             std::vector<std::string>& output) = 0;
};
