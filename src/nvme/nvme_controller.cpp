#include "nvme/nvme_controller.h"

#include "core/log.h"
#include "core/stop_request.h"
#include "nvme/nvme_model_table.h"

namespace {

const char* const kTag = "NVME_CTLR";

}  // namespace

orbNvmeController::orbNvmeController(orbNvmeInterface* os)
    : os(os), models(orbIOMatrixInterface::getInstance()) {}

bool orbNvmeController::stopping() const {
    return stopRequested.load() || orbStopRequested();
}

int orbNvmeController::discoverNvmeControllers(std::vector<std::string>& names) {
    const int result = os->populateNvmeInstances(names);
    ORB_LOG_DEBUG(kTag, "The number of NVMe cards is %d", static_cast<int>(names.size()));
    return result;
}

void orbNvmeController::getNvmeProperties(const std::string& name, INvmeDevice& device) {
    os->fetchNvmeProperties(name, device);
    models->supplementAdditionalNvmeProperties(device);
}

std::shared_ptr<INvmeDevice> orbNvmeController::deviceOf(const std::string& name) {
    auto found = devices.find(name);
    if (found != devices.end()) {
        return found->second;
    }
    auto device = std::make_shared<NVMeDeviceV1>();
    getNvmeProperties(name, *device);
    devices[name] = device;
    return device;
}

orbNvmeSmartInfo orbNvmeController::healthOf(const std::string& name) {
    auto found = healths.find(name);
    if (found != healths.end()) {
        return found->second;
    }
    orbNvmeSmartInfo smart;
    fetchNVMeHealthInfo(name, smart);
    healths[name] = smart;
    return smart;
}

int orbNvmeController::fetchNVMeHealthInfo(const std::string& name, orbNvmeSmartInfo& smart) {
    return os->getNvmeSmartLogInfo(name, smart);
}

int orbNvmeController::discoverControllerInventory(
    std::vector<orbStorageControllerInfo>& controllers, const std::vector<std::string>& names) {
    devices.clear();
    healths.clear();
    for (const std::string& name : names) {
        if (stopping()) {
            ORB_LOG_INFO(kTag,
                         "NVMe RM shutdown notification received while fetching controller "
                         "inventory information of NVMe cards");
            return -1;
        }
        ORB_LOG_DEBUG(kTag, "Fetching controller inventory details for %s", name.c_str());
        std::shared_ptr<INvmeDevice> device = deviceOf(name);
        orbStorageControllerInfo record;
        record.setDeviceName(name);
        setControllerProperties(*device, record);
        const orbNvmeSmartInfo smart = healthOf(name);
        record.setState(smart.state);
        record.setHealth(smart.health);
        controllers.push_back(record);
    }
    return 0;
}

int orbNvmeController::discoverPhysicalDiskInventory(std::vector<orbNVMeDiskInfo>& drives,
                                                     const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (stopping()) {
            ORB_LOG_INFO(kTag,
                         "NVMe RM shutdown notification received while fetching drive inventory "
                         "information of NVMe cards");
            return -1;
        }
        ORB_LOG_DEBUG(kTag, "Fetching drive inventory details for %s", name.c_str());
        std::shared_ptr<INvmeDevice> device = deviceOf(name);
        orbNVMeDiskInfo record;
        record.setDeviceName(name);
        setPhysicalDiskProperties(*device, record);
        const orbNvmeSmartInfo smart = healthOf(name);
        record.setState(smart.state);
        record.setHealth(smart.health);
        drives.push_back(record);
    }
    devices.clear();
    healths.clear();
    return 0;
}

void orbNvmeController::setControllerProperties(const INvmeDevice& device,
                                                orbStorageControllerInfo& record) {
    record.setModel(device.getModelName());
    record.setSerialNumber(device.getSerialNumber());
    record.setPartNumber(device.getPartNumber());
    record.setFirmwareVersion(device.getFirmwareVersion());
    record.setManufacturer(device.getManufacturer());
    record.setProtocol(device.getProtocolName());
    record.setDescription(device.getPciDescription());
    record.setPhysicalLocation(device.getPhysicalLocation());
}

void orbNvmeController::setPhysicalDiskProperties(const INvmeDevice& device,
                                                  orbNVMeDiskInfo& record) {
    record.setSerialNumber(device.getSerialNumber());
    record.setPartNumber(device.getPartNumber());
    record.setModel(device.getModelNumber());
    record.setCapacityBytes(device.getCapacityBytes());
    record.setProtocol(device.getProtocolName());
    record.setManufacturer(device.getManufacturer());
    record.setMediaType(device.getMediaType());
    record.setRevision(device.getFirmwareVersion());
    const int64_t detected = device.getCapacityBytesDetected();
    record.setCapacityBytesDetected(detected > 0 ? static_cast<uint64_t>(detected) : 0);
    record.setSlot(device.getSlot());
    record.setPhysicalLocation(device.getPhysicalLocation());
}
