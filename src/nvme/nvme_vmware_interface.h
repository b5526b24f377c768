#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nvme/nvme_interface.h"

// The NVMe devices of an ESXi host, as its esxcli tool reports them. Every command runs
// through the shell runner with a deadline; the only device text that reaches a command line
// is an adapter or namespace name that passed orb_nvme_is_safe_name, and it is quoted.
class orbNvmeVmwareInterface : public orbNvmeInterface {
  public:
    static orbNvmeVmwareInterface* getInstance();

    int populateNvmeInstances(std::vector<std::string>& names) override;
    int fetchNvmeProperties(const std::string& name, INvmeDevice& device) override;
    int getNvmeSmartLogInfo(const std::string& name, orbNvmeSmartInfo& smart) override;

    // The seven labels of the SMART log the service reads, in this order: five flags, then
    // "Percentage Used" and "Power On Hours".
    static const char* const kSmartLabels[7];

    // Reads the SMART values (as printed after their labels) into smart and derives its status.
    // False, smart's health left Unknown, when a flag is missing or not a flag.
    static bool setSmartInfo(const std::string& name, const std::vector<std::string>& values,
                             const std::vector<bool>& found, orbNvmeSmartInfo& smart);

  private:
    orbNvmeVmwareInterface() = default;

    bool getNvmePCIAddress(const std::string& name, std::string& address);
    void getNvmePCIeProperties(const std::string& address, std::string& description, int& slot,
                               std::string& location);
    int64_t getNvmeCapacityBytesDetected(const std::string& name);
    std::vector<std::string> getNamespaceListsForThisDevice(const std::string& name);
    bool fetchNamespaceAttributes(const std::string& deviceName, uint64_t& bytes);
};
