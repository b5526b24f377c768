// The storage library's controllers, drives and volumes, as the last rebuild read them.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "core/log.h"
#include "core/stop_request.h"
#include "megaraid/store_lib_interface.h"
#include "megaraid/storelib_names.h"

namespace {

constexpr const char* kTag = "LSI_INTERF";
constexpr uint32_t kChipset3108 = 0x005D1000;
constexpr uint32_t kChipset3916 = 0x10E21000;
constexpr uint32_t kTriModeBoard = 0x40001000;

orbByteView viewOf(const std::vector<uint8_t>& buffer) {
    return orbByteView(buffer.data(), buffer.size());
}

}  // namespace

bool orbStoreLibInterface::takeLock() {
    // Three tries of up to two seconds each, looked at often so that a rebuild that ends
    // early is not waited for longer than it runs.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        do {
            if (cache_lock.try_lock()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (std::chrono::steady_clock::now() < until);
        if (orbStopRequested()) {
            break;
        }
    }
    ORB_LOG_WARNING(kTag, "Failed to acquire lock.");
    return false;
}

void orbStoreLibInterface::cacheBuild(const std::string& scope) {
    ORB_LOG_DEBUG(kTag, "orbStoreLibInterface::cacheBuild()");
    if (!initializeMRsuccessful.load()) {
        ORB_LOG_INFO(kTag, "MR library was not initialized hence cancelling cache build");
        return;
    }
    std::lock_guard<std::mutex> lock(cache_lock);
    {
        // What readers get while this rebuild runs: the lists as they are now, complete.
        std::lock_guard<std::mutex> previous(previousMutex);
        previousControllers = controllers;
        previousDrives = drives;
        previousVolumes = volumes;
    }
    const bool all = scope != "PD_EVENT" && scope != "LD_EVENT" && scope != "CTRL_EVENT";
    if (all || scope == "CTRL_EVENT") {
        buildControllerInfo();
    }
    if (all || scope == "PD_EVENT") {
        buildPDInfo();
    }
    if (all || scope == "LD_EVENT") {
        buildLDInfo();
    }
    ORB_LOG_DEBUG(kTag, "orbStoreLibInterface::cacheBuild() complete");
}

bool orbStoreLibInterface::getCtrlList(std::map<uint32_t, int>& indexById) {
    std::vector<uint8_t> buffer(sizeof(SL_CTRL_LIST_T), 0);
    if (issueCommand(SL_CMD_TYPE_LIBRARY, SL_GET_CTRL_LIST, 0, buffer.data(),
                     static_cast<uint32_t>(buffer.size())) != SL_SUCCESS) {
        return false;
    }
    const orbMRControllerList list = orbParseControllerList(viewOf(buffer));
    indexById.clear();
    for (size_t i = 0; i < list.ids.size(); ++i) {
        indexById[list.ids[i]] = static_cast<int>(i);
    }
    return true;
}

int orbStoreLibInterface::firmwareCommand(uint32_t ctrlId, uint32_t opcode,
                                          std::vector<uint8_t>& data) {
    SL_DCMD_INPUT_T frame{};
    frame.opcode = opcode;
    frame.dataTransferLength = static_cast<uint32_t>(data.size());
    frame.pData = data.data();
    return issueCommand(SL_CMD_TYPE_PASSTHRU, SL_DCMD_PASSTHRU, ctrlId, &frame, sizeof(frame));
}

std::string orbStoreLibInterface::getControllerSerialNo(uint32_t ctrlId) {
    std::vector<uint8_t> safeId(MR_SAFE_ID_SIZE, 0);
    if (firmwareCommand(ctrlId, MR_DCMD_CTRL_SAFE_ID_GET, safeId) != SL_SUCCESS) {
        return std::string();
    }
    std::vector<uint8_t> manufacturing(MR_MFC_MFG_SIZE, 0);
    if (firmwareCommand(ctrlId, MR_DCMD_MFC_MFG_GET, manufacturing) != SL_SUCCESS) {
        return std::string();
    }
    return orbParseManufacturingSerial(viewOf(manufacturing));
}

int orbStoreLibInterface::fireSCSIVPDInquiry(uint32_t ctrlId, uint16_t deviceId, uint8_t page,
                                             std::vector<uint8_t>& answer) {
    answer.assign(255, 0);
    SL_SCSI_PASSTHRU_T frame{};
    frame.deviceId = deviceId;
    frame.cdbLength = 6;
    frame.cdb[0] = 0x12;
    frame.cdb[1] = 0x01;
    frame.cdb[2] = page;
    frame.cdb[4] = static_cast<uint8_t>(answer.size());
    frame.dataLength = static_cast<uint32_t>(answer.size());
    frame.pData = answer.data();
    return issueCommand(SL_CMD_TYPE_PASSTHRU, SL_SCSI_PASSTHRU, ctrlId, &frame, sizeof(frame),
                        deviceId);
}

void orbStoreLibInterface::buildControllerInfo() {
    std::map<uint32_t, int> indexById = ctrlIndexById;
    getCtrlList(indexById);
    ctrlIndexById = indexById;
    std::vector<CTRL_INFO> built;
    for (const auto& [ctrlId, index] : indexById) {
        CTRL_INFO info;
        info.ctrlId = ctrlId;
        info.index = index;
        info.serialNumber = getControllerSerialNo(ctrlId);
        std::vector<uint8_t> buffer(MR_CTRL_INFO_SIZE, 0);
        const int status = issueCommand(SL_CMD_TYPE_CONTROLLER, SL_GET_CTRL_INFO, ctrlId,
                                        buffer.data(), MR_CTRL_INFO_SIZE);
        orbMRControllerData data;
        if (status != SL_SUCCESS || !orbParseControllerInfo(viewOf(buffer), data)) {
            ORB_LOG_ERROR(kTag, "ProcessLibCommandCall retVal 0x%x (%s)", status,
                          "controller information");
            continue;
        }
        info.chipsetId = data.chipset();
        info.boardId = data.board();
        if (info.chipsetId != kChipset3916 && info.chipsetId != kChipset3108) {
            ORB_LOG_INFO(kTag,
                         "Skipping the controller as chipset is not recognized. (vendorID= "
                         "\t\t\t\t   0x%04X, chipsetID= 0x%08X",
                         data.vendorId, info.chipsetId);
            continue;
        }
        info.model = data.productName;
        info.protocol = "SAS/SATA";
        if (info.chipsetId == kChipset3916 && (info.boardId & ~(1u << 20)) == kTriModeBoard) {
            info.protocol = "SAS/SATA/NVMe";
        }
        info.pciLocation = data.pciLocation;
        info.firmwareVersion = data.firmwareVersion;
        built.push_back(info);
    }
    controllers = built;
    ORB_LOG_DEBUG(kTag, "Total controllers found: %zu", controllers.size());
}

void orbStoreLibInterface::buildPDInfo() {
    std::map<uint32_t, std::vector<PD_INFO>> built;
    size_t found = 0;
    for (const CTRL_INFO& controller : controllers) {
        std::vector<uint8_t> list(MR_PD_LIST_SIZE, 0);
        const int status = issueCommand(SL_CMD_TYPE_CONTROLLER, SL_GET_PD_LIST, controller.ctrlId,
                                        list.data(), MR_PD_LIST_SIZE);
        if (status != SL_SUCCESS) {
            ORB_LOG_ERROR(kTag, status == SL_ERR_INVALID_CTRL
                                    ? "Unable to fetch PD list: Invalid Controller ID"
                                    : "Unable to fetch PD list");
            // Keep what the controller had rather than reporting its drives gone.
            auto kept = drives.find(controller.ctrlId);
            if (kept != drives.end()) {
                built[controller.ctrlId] = kept->second;
            }
            continue;
        }
        std::vector<PD_INFO>& records = built[controller.ctrlId];
        for (const orbMRDriveAddress& address : orbParseDriveList(viewOf(list))) {
            std::vector<uint8_t> buffer(MR_PD_INFO_SIZE, 0);
            const int infoStatus = issueCommand(SL_CMD_TYPE_PD, SL_GET_PD_INFO, controller.ctrlId,
                                                buffer.data(), MR_PD_INFO_SIZE, address.deviceId);
            PD_INFO pd;
            if (infoStatus != SL_SUCCESS || !orbParseDriveInfo(viewOf(buffer), pd.raw)) {
                ORB_LOG_ERROR(kTag, "ProcessLibCommandCall retVal 0x%x (%s)", infoStatus,
                              "physical drive information");
                continue;
            }
            pd.ctrlId = controller.ctrlId;
            pd.deviceId = address.deviceId;
            pd.enclosure = pd.raw.address.enclosure;
            pd.slot = pd.raw.address.slot;
            pd.mediaType = pd.raw.solidState ? "SSD" : "HDD";
            pd.fwStateText = orbMRFirmwareStateText(pd.raw.firmwareState);
            pd.health = orbMRFirmwareStateHealth(pd.raw.firmwareState);
            pd.interfaceType = orbMRInterfaceText(pd.raw.interfaceType);
            pd.serialNumber = pd.raw.inquirySerial;
            if (pd.serialNumber.empty() && pd.raw.interfaceType == MR_PD_INTERFACE_SAS) {
                std::vector<uint8_t> page;
                const int vpd = fireSCSIVPDInquiry(controller.ctrlId, pd.deviceId, 0x80, page);
                pd.serialNumber = vpd == SL_SUCCESS ? orbParseUnitSerialPage(viewOf(page)) : "";
                if (!pd.serialNumber.empty()) {
                    ORB_LOG_DEBUG(kTag, "Disk S/N from VPD Page 0x80 for disk @ [%d:%d]: [%s]",
                                  pd.enclosure, pd.slot, pd.serialNumber.c_str());
                } else {
                    ORB_LOG_WARNING(kTag,
                                    "Unable to retrieve disk S/N from VPD Inquiry Page 0x80 for "
                                    "disk @ [%d:%d]. [%d]",
                                    pd.enclosure, pd.slot, vpd);
                }
            }
            pd.vendorName = pd.raw.vendor;
            records.push_back(pd);
            ++found;
        }
    }
    drives = built;
    ORB_LOG_DEBUG(kTag, "Number of PD found %d", static_cast<int>(found));
}

void orbStoreLibInterface::buildLDInfo() {
    ORB_LOG_DEBUG(kTag, "Entering buildLDInfo");
    std::map<uint32_t, std::vector<LD_INFO>> built;
    for (const CTRL_INFO& controller : controllers) {
        std::vector<uint8_t> list(MR_LD_LIST_SIZE, 0);
        if (issueCommand(SL_CMD_TYPE_CONTROLLER, SL_GET_LD_LIST, controller.ctrlId, list.data(),
                         MR_LD_LIST_SIZE) != SL_SUCCESS) {
            ORB_LOG_ERROR(kTag,
                          "An Error occurred in gathering list of logical drives from storelib "
                          "library");
            auto kept = volumes.find(controller.ctrlId);
            if (kept != volumes.end()) {
                built[controller.ctrlId] = kept->second;
            }
            continue;
        }
        const std::vector<uint8_t> targets = orbParseVolumeList(viewOf(list));
        ORB_LOG_DEBUG(kTag, "# of Logical Drives : %d", static_cast<int>(targets.size()));
        std::vector<LD_INFO>& records = built[controller.ctrlId];
        const std::vector<PD_INFO>& members = drives[controller.ctrlId];
        for (size_t i = 0; i < targets.size(); ++i) {
            std::vector<uint8_t> buffer(MR_LD_INFO_SIZE, 0);
            const int status = issueCommand(SL_CMD_TYPE_LD, SL_GET_LD_INFO, controller.ctrlId,
                                            buffer.data(), MR_LD_INFO_SIZE, targets[i]);
            LD_INFO ld;
            if (status != SL_SUCCESS || !orbParseVolumeInfo(viewOf(buffer), ld.raw)) {
                ORB_LOG_ERROR(kTag,
                              "CtrlId [%d]: FireLDInfo failed: (rval=[0x%x], targetId=[0x%x], "
                              "i=[%u], LD count=[%u])",
                              static_cast<int>(controller.ctrlId), status, targets[i],
                              static_cast<unsigned>(i), static_cast<unsigned>(targets.size()));
                continue;
            }
            ld.ctrlId = controller.ctrlId;
            ld.targetId = targets[i];
            ld.stateText = orbMRVolumeStateText(ld.raw.state);
            ld.health = orbMRVolumeStateHealth(ld.raw.state);
            ld.raidLevel = orbMRRaidLevelText(ld.raw.primaryRaid, ld.raw.secondaryRaid,
                                              ld.raw.raidQualifier, ld.raw.spanDepth);
            // getPDInLD: the members by the serial numbers their drive records carry.
            for (uint16_t device : ld.raw.members) {
                auto member = std::find_if(members.begin(), members.end(), [&](const PD_INFO& pd) {
                    return pd.deviceId == device;
                });
                if (member != members.end()) {
                    ld.memberSerials.push_back(member->serialNumber);
                }
            }
            records.push_back(ld);
        }
    }
    volumes = built;
}

std::vector<CTRL_INFO> orbStoreLibInterface::getControllerCollection() {
    if (takeLock()) {
        std::vector<CTRL_INFO> copy = controllers;
        cache_lock.unlock();
        return copy;
    }
    std::lock_guard<std::mutex> lock(previousMutex);
    return previousControllers;
}

bool orbStoreLibInterface::getControllerInventory(uint32_t ctrlId, CTRL_INFO& out) {
    for (const CTRL_INFO& controller : getControllerCollection()) {
        if (controller.ctrlId == ctrlId) {
            out = controller;
            return true;
        }
    }
    return false;
}

std::vector<PD_INFO> orbStoreLibInterface::getPDInventoryForCtrl(uint32_t ctrlId) {
    if (takeLock()) {
        auto found = drives.find(ctrlId);
        std::vector<PD_INFO> copy = found != drives.end() ? found->second : std::vector<PD_INFO>();
        cache_lock.unlock();
        return copy;
    }
    std::lock_guard<std::mutex> lock(previousMutex);
    auto found = previousDrives.find(ctrlId);
    return found != previousDrives.end() ? found->second : std::vector<PD_INFO>();
}

std::vector<LD_INFO> orbStoreLibInterface::getLDInventoryForCtrl(uint32_t ctrlId) {
    if (takeLock()) {
        auto found = volumes.find(ctrlId);
        std::vector<LD_INFO> copy = found != volumes.end() ? found->second : std::vector<LD_INFO>();
        cache_lock.unlock();
        return copy;
    }
    std::lock_guard<std::mutex> lock(previousMutex);
    auto found = previousVolumes.find(ctrlId);
    return found != previousVolumes.end() ? found->second : std::vector<LD_INFO>();
}

std::vector<uint32_t> orbStoreLibInterface::getControllerIds() {
    std::lock_guard<std::mutex> lock(libraryMutex);
    return std::vector<uint32_t>(gCtrlList.ctrlId, gCtrlList.ctrlId + gCtrlList.count);
}
