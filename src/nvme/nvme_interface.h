#pragma once

#include <string>
#include <vector>

#include "host/os_abstract_interface.h"
#include "nvme/nvme_device.h"
#include "nvme/nvme_smart_info.h"

// What the NVMe subsystem asks of the operating system; orbNvmeVmwareInterface answers on
// ESXi. Names are adapter names as the operating system lists them (vmhba4).
class orbNvmeInterface : public orbOSAbstractInterface {
  public:
    // 0 with the adapter names (possibly none); -1 when no listing could be read (the tool
    // failed or printed nothing).
    virtual int populateNvmeInstances(std::vector<std::string>& names) = 0;
    // Fills the device's basic and PCIe properties; fields that cannot be learnt keep their
    // placeholders. 0, or -1 when the device could not be queried at all.
    virtual int fetchNvmeProperties(const std::string& name, INvmeDevice& device) = 0;
    // Reads the device's SMART / Health Information log into smart. 0 when it was read; -1
    // when not, smart's health then staying Unknown.
    virtual int getNvmeSmartLogInfo(const std::string& name, orbNvmeSmartInfo& smart) = 0;
};
