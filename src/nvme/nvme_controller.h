#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "nvme/nvme_device.h"
#include "nvme/nvme_disk_info.h"
#include "nvme/nvme_interface.h"
#include "nvme/nvme_smart_info.h"
#include "storage/controller_info.h"

class orbIOMatrixInterface;

// Discovery of NVMe devices for the NVMe manager: each adapter the operating system lists
// becomes one device object, one controller record and one drive record.
class IorbNvmeController {
  public:
    virtual ~IorbNvmeController() = default;
    // 0 with the adapter names; -1 when the listing could not be read.
    virtual int discoverNvmeControllers(std::vector<std::string>& names) = 0;
    // 0 with one record per name; negative when a stop cut the discovery short.
    virtual int discoverControllerInventory(std::vector<orbStorageControllerInfo>& controllers,
                                            const std::vector<std::string>& names) = 0;
    virtual int discoverPhysicalDiskInventory(std::vector<orbNVMeDiskInfo>& drives,
                                              const std::vector<std::string>& names) = 0;
};

class orbNvmeController : public IorbNvmeController {
  public:
    explicit orbNvmeController(orbNvmeInterface* os);

    int discoverNvmeControllers(std::vector<std::string>& names) override;
    int discoverControllerInventory(std::vector<orbStorageControllerInfo>& controllers,
                                    const std::vector<std::string>& names) override;
    int discoverPhysicalDiskInventory(std::vector<orbNVMeDiskInfo>& drives,
                                      const std::vector<std::string>& names) override;

    // 0 when the device's SMART log was read into smart.
    int fetchNVMeHealthInfo(const std::string& name, orbNvmeSmartInfo& smart);

    // Makes running and later discoveries give up between devices, until rearmed.
    void notifyNvmeRMStop() { stopRequested.store(true); }
    void rearm() { stopRequested.store(false); }

    static void setControllerProperties(const INvmeDevice& device,
                                        orbStorageControllerInfo& record);
    static void setPhysicalDiskProperties(const INvmeDevice& device, orbNVMeDiskInfo& record);

  private:
    bool stopping() const;
    // The device object of a name, queried once per discovery.
    std::shared_ptr<INvmeDevice> deviceOf(const std::string& name);
    // The device's SMART status, read once per discovery.
    orbNvmeSmartInfo healthOf(const std::string& name);
    void getNvmeProperties(const std::string& name, INvmeDevice& device);

    orbNvmeInterface* os;
    const orbIOMatrixInterface* models;
    // Devices of the discovery under way, by adapter name; the controller pass fills it and
    // the drive pass reads it, so each device is queried once per build.
    std::map<std::string, std::shared_ptr<INvmeDevice>> devices;
    std::map<std::string, orbNvmeSmartInfo> healths;
    std::atomic<bool> stopRequested{false};
};
