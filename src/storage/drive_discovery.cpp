// Finding the physical drives behind the controller in the SCSI device tree.
#include <fcntl.h>
#include <strings.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "core/log.h"
#include "core/owned_resources.h"
#include "core/platform_path.h"
#include "host/physloc_factory.h"
#include "host/sysfs_directory.h"
#include "storage/controller_sysfs.h"
#include "storage/location_code.h"
#include "storage/scsi_queries.h"
#include "storage/storage_controller.h"
#include "storage/storage_utils.h"

namespace {

constexpr const char* kTag = "STOR_CTLR";

// The host number of a SCSI address "H:C:T:L"; -1 when it does not start with one.
int scsiHostOf(const std::string& address) {
    int host = -1;
    const size_t colon = address.find(':');
    if (colon == std::string::npos || !string_to_int(address.substr(0, colon).c_str(), host)) {
        return -1;
    }
    return host;
}

bool containsNoCase(const std::string& text, const char* word) {
    return strcasestr(text.c_str(), word) != nullptr;
}

// The record holds the descriptor only while this scope queries the drive.
struct HandleLoan {
    orbDiskInfo& disk;
    HandleLoan(orbDiskInfo& d, int fd) : disk(d) { disk.setOSSGHandle(fd); }
    ~HandleLoan() { disk.setOSSGHandle(-1); }
    HandleLoan(const HandleLoan&) = delete;
    HandleLoan& operator=(const HandleLoan&) = delete;
};

// Drives the platform cannot tell apart (the same location for several of them) cannot be
// reported by location at all: the RMC would take one drive's events for another's.
void withdrawSharedLocations(std::vector<orbDiskInfo>& drives) {
    std::map<std::string, size_t> holders;
    for (const orbDiskInfo& drive : drives) {
        if (orbIsValidPhysicalLocation(drive.getPhysicalLocation())) {
            ++holders[drive.getPhysicalLocation()];
        }
    }
    for (orbDiskInfo& drive : drives) {
        auto shared = holders.find(drive.getPhysicalLocation());
        if (shared != holders.end() && shared->second > 1) {
            ORB_LOG_WARNING(kTag,
                            "%s: Physical location [%s] is shared by %zu drives; reporting it "
                            "as undetermined.",
                            drive.getOSSCSILink().c_str(), shared->first.c_str(), shared->second);
            drive.setPhysicalLocation(ORB_UNKNOWN_PHYSICAL_LOCATION);
        }
    }
}

}  // namespace

int orbStorageController::discoverPhysicalDiskInventory(std::vector<orbDiskInfo>& drives) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (isRemovalInProgress()) {
        ORB_LOG_INFO(kTag, "%s: Return last known PD inventory for removed controller.",
                     PciLocation.c_str());
        drives = currentDrives;
        return 0;
    }
    ORB_LOG_INFO(kTag, "Gathering disk inventory for controller @ %s [0x%X, 0x%X] [%d].",
                 PciLocation.c_str(), ChipsetID, BoardID, static_cast<int>(ports.size()));
    discoveredDrives.clear();
    // A drive hangs on one of the controller's SCSI hosts, whose number leads its SCSI address
    // ("8:0:1:0"): the entries of other hosts are passed over without resolving their links,
    // so a pass costs each controller its own drives, not every drive of the server.
    std::set<int> hosts;
    for (size_t i = 0; i < ports.size(); ++i) {
        hosts.insert(getHostNumberForControllerPort(i));
    }
    const bool byHost = !ports.empty() && hosts.count(-1) == 0;
    for (const std::string& address :
         orbListSysfsDirectory(orbRootPath("/sys/class/scsi_device"))) {
        if (byHost && hosts.count(scsiHostOf(address)) == 0) {
            continue;
        }
        orbDiskInfo disk;
        if (discoverPhysicalDisk(address, disk)) {
            discoveredDrives.push_back(disk);
        }
    }
    withdrawSharedLocations(discoveredDrives);
    synchronizePhysicalDrivesInventory();
    drives = currentDrives;
    return 0;
}

bool orbStorageController::discoverPhysicalDisk(const std::string& address, orbDiskInfo& disk) {
    const char* name = address.c_str();
    disk.setOSSCSILink(address);
    std::string target;
    int error = 0;
    if (!orbReadLinkTarget(orbRootPath("/sys/class/scsi_device/" + address), target, error)) {
        ORB_LOG_WARNING(kTag, "%s: readlink failed! (%d) Skipping device %s.", PciLocation.c_str(),
                        error, name);
        return false;
    }
    // A whole component of the device path, so that a controller never takes the drives of
    // another whose address merely begins the same way.
    if (target.find("/" + PciLocation + "/") == std::string::npos) {
        ORB_LOG_DEBUG(kTag, "%s: Skipping device since it is not hosted by controller at %s.", name,
                      PciLocation.c_str());
        return false;
    }
    ORB_LOG_DEBUG(kTag, "%s: Device is presented by controller 0x%X 0x%X @ [%s]", name, ChipsetID,
                  BoardID, PciLocation.c_str());
    disk.setATADeviceNumber(getATADeviceNumberFromPath(target));

    orbMallocText generic(get_ScsiGeneric(name));
    if (!generic || !orbIsSysfsEntryName(generic.get())) {
        ORB_LOG_WARNING(kTag, "%s: Failed to get generic device.", name);
        return false;
    }
    const std::string devicePath = "/dev/" + std::string(generic.get());
    orbFileDescriptor descriptor(
        open(orbRootPath(devicePath).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!descriptor.isOpen()) {
        ORB_LOG_WARNING(kTag, "%s: Unable to open %s: (%d %d). Skipping device.", name,
                        devicePath.c_str(), descriptor.get(), errno);
        return false;
    }
    HandleLoan loan(disk, descriptor.get());
    const int fd = descriptor.get();

    std::string model = orbTakeTrimmedText(get_DiskModel(name));
    if (containsNoCase(model, "LOGICAL VOLUME")) {
        ORB_LOG_INFO(kTag, "%s: Skipping logical drive %s", name, model.c_str());
        return false;
    }
    if (!is_direct_access_block_device(name)) {
        ORB_LOG_INFO(kTag, "%s: Skipping since it is not a direct-access block device", name);
        return false;
    }

    std::string serial = orbTakeTrimmedText(get_unit_sn_from_sysfs_vpd_pg80(name));
    if (!serial.empty()) {
        ORB_LOG_DEBUG(kTag, "%s: Disk serialnum from page 80: %s", name, serial.c_str());
    } else {
        serial = orbTakeTrimmedText(get_unit_sn_from_sysfs_inquiry(name));
        ORB_LOG_DEBUG(kTag, "%s: Disk serialnum from inquiry: %s", name, serial.c_str());
    }
    disk.setSerialNumber(serial);
    ORB_LOG_DEBUG(kTag, "%s: Disk Model %s", name, model.c_str());
    disk.setModel(model);
    std::string partNumber;
    getDiskPartNumber(model, partNumber);
    disk.setPartNumber(partNumber);
    const unsigned long long blocks = get_BlockSize(name);
    disk.setCapacityBytes(blocks * 512ULL);
    ORB_LOG_DEBUG(kTag, "%s: Drv size %llu Blocks, %llu bytes", name, blocks, blocks * 512ULL);
    disk.setRevision(orbTakeTrimmedText(get_sas_DiskRev(name)));
    ORB_LOG_DEBUG(kTag, "%s: SCSI PhyDrvFWRev %s", name, disk.getRevision().c_str());
    const std::string vendor = orbTakeTrimmedText(get_DiskVendor(name));

    const int protocol = get_scsi_transport_protocol(fd);
    if (protocol >= 0 && protocol < 16) {
        disk.setProtocol(SCSI_Protocol_Identifiers[protocol]);
        ORB_LOG_DEBUG(kTag, "%s: Device %s: Protocol %d (%s)", name, devicePath.c_str(), protocol,
                      disk.getProtocol().c_str());
    } else {
        ORB_LOG_WARNING(kTag, "%s: Unable to identify disk protocol.", name);
    }

    int rotationRate = -1;
    if (vendor == "ATA") {
        ORB_LOG_DEBUG(kTag, "%s: Device %s: Found an ATA disk", name, devicePath.c_str());
        // Most SAT layers refuse the protocol page; the vendor field says what the drive is.
        if (disk.getProtocol().empty()) {
            disk.setProtocol("SATA");
        }
        _ORB_ATA_IDENTIFY_INFO identify{};
        if (get_ata_identify_device_info(fd, &identify) == 0) {
            if (identify.serialNumber[0] != '\0') {
                disk.setSerialNumber(identify.serialNumber);
            }
            if (identify.firmwareRevision[0] != '\0') {
                disk.setRevision(identify.firmwareRevision);
            }
            if (identify.modelNumber[0] != '\0') {
                disk.setModel(identify.modelNumber);
                getDiskPartNumber(disk.getModel(), partNumber);
                disk.setPartNumber(partNumber);
            }
            rotationRate = identify.rotationRate;
            disk.setATAMajorRevision(identify.majorVersion);
            ORB_LOG_DEBUG(kTag,
                          "%s: ATA Info: Serial#=%s FW=%s Model=%s Part#=%s NMRR=0x%X "
                          "Capability=0x%X ATA_Rev=0x%X [%s]",
                          name, disk.getSerialNumber().c_str(), disk.getRevision().c_str(),
                          disk.getModel().c_str(), disk.getPartNumber().c_str(),
                          identify.rotationRate, identify.capabilities, identify.majorVersion,
                          devicePath.c_str());
        }
    } else {
        rotationRate = get_scsi_disk_medium_rotation_rate(fd);
    }
    disk.setMediaType(media_type_from_rotation_rate(rotationRate));
    if (disk.getMediaType().empty()) {
        ORB_LOG_WARNING(kTag, "%s: Unable to determine media type (0x%x).", name,
                        static_cast<unsigned>(rotationRate));
    }

    std::string manufacturer;
    discoverPhysicalDiskManufacturer(disk, manufacturer);
    disk.setManufacturer(manufacturer);

    const int slot = discoverPhysicalDiskSlotNumber(disk);
    orbPhysLocInterface* locator = orbPhysLocFactory::getPhysLocInterface();
    disk.setPhysicalLocation(slot >= 0 ? locator->getPhysLocForChassisDriveSlot(PciLocation, slot)
                                       : locator->getPhysLocForExternalDrive(PciLocation));
    if (slot >= 0 && disk.getSlot().empty()) {
        disk.setSlot(std::to_string(slot));
    } else if (disk.getSlot().empty()) {
        disk.setSlot("NotAvailable");
    }
    ORB_LOG_INFO(kTag,
                 "%s: Disk Device [%s] @ slot [%s] on HBA pciloc=[%s]: phyloc=[%s] (slot=[%d], "
                 "ret=[%d])",
                 name, devicePath.c_str(), disk.getSlot().c_str(), PciLocation.c_str(),
                 disk.getPhysicalLocation().c_str(), slot, slot >= 0 ? 0 : -1);

    if (!validatePhysicalDisk(disk)) {
        ORB_LOG_INFO(kTag, "%s: Not allowed as physical drive during validation.", name);
        return false;
    }
    return true;
}

int orbStorageController::discoverPhysicalDiskSlotNumber(orbDiskInfo& disk) {
    // The bay the drive reports through the SAS transport; drives on a plain SATA port have
    // none. Their location comes from the controller (an external drive), which only tells
    // them apart when the controller has a single drive.
    unsigned long long enclosure = 0;
    int bay = -1;
    if (SasGetLocation(disk.getOSSCSILink().c_str(), &enclosure, &bay) != 0) {
        return -1;
    }
    return bay;
}

int orbStorageController::discoverPhysicalDiskManufacturer(orbDiskInfo disk,
                                                           std::string& manufacturer) {
    const std::string vendor = orbTakeTrimmedText(get_DiskVendor(disk.getOSSCSILink().c_str()));
    manufacturer.clear();
    if (vendor.find("ATA") != std::string::npos && disk.getOSSGHandle() >= 0) {
        unsigned char* raw = nullptr;
        size_t length = 0;
        int code = get_sata_log_vpd_pgD0(disk.getOSSGHandle(), &raw, &length);
        orbMallocBytes log(raw);
        // The maker's own drives sign their vendor log.
        if (code == 0 && length >= 28 && std::memcmp(log.get() + 24, "VXD0", 4) == 0) {
            manufacturer = "VEX";
        }
    }
    if (manufacturer.empty()) {
        manufacturer = vendor;
    }
    if (manufacturer.empty()) {
        ORB_LOG_WARNING(kTag, "Unable to fetch manufacturer name for scsi device : %s",
                        disk.getOSSCSILink().c_str());
        return -1;
    }
    return 0;
}
