// A drive's health from its SCSI or ATA answers, and the events of its state changes.
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "core/log.h"
#include "core/owned_resources.h"
#include "core/platform_path.h"
#include "host/sysfs_directory.h"
#include "storage/controller_sysfs.h"
#include "storage/location_code.h"
#include "storage/sas_resource_manager.h"
#include "storage/scsi_completion.h"
#include "storage/scsi_queries.h"
#include "storage/storage_controller.h"

namespace {

constexpr const char* kTag = "STOR_CTLR";
constexpr int kWearThreshold = 94;  // 95 % of the rated endurance used is a predictive failure

// What the health rules read from one drive.
struct DriveReadings {
    int errors = 0;  // SAS: ASC/ASCQ of the latest exception; SATA: SMART error log index
    int wear = -1;
    int current = -1;
    int maximum = -1;
};

// A temperature above the drive's own limit, when the drive states one.
bool isOverheated(const DriveReadings& r) {
    return r.maximum > 0 && r.current > r.maximum;
}

void setStatus(orbDiskInfo& disk, ORB_RESOURCE_STATE state, ORB_RESOURCE_HEALTH health,
               const std::string& text) {
    disk.setState(state);
    disk.setHealth(health);
    disk.setEventInfoString(text);
}

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof(text), pattern, arguments);
    va_end(arguments);
    return text;
}

// Failed when the error log could not be read (unreadableText says which), else healthy or a
// predictive failure with what the drive reported.
void applyHealthRules(orbDiskInfo& disk, const DriveReadings& r, bool temperatureKnown,
                      const char* unreadableText) {
    if (r.errors < 0) {
        setStatus(disk, ORB_STATE_FAILED, ORB_HEALTH_CRITICAL, unreadableText);
        return;
    }
    if (r.errors == 0 && r.wear <= kWearThreshold && !isOverheated(r)) {
        setStatus(disk, ORB_STATE_RUNNING, ORB_HEALTH_OK, "");
        return;
    }
    std::string text =
        temperatureKnown
            ? format(
                  "[SSD Wear percentage (%d); Threshold (95)], [Current Temp (%d C); Max "
                  "Operating Temperature (%d C)], [%d errors reported in Summary SMART error "
                  "log / Informational Exceptions log page.]",
                  r.wear, r.current, r.maximum, r.errors)
            : format(
                  "[SSD Wear percentage (%d); Threshold (95)], [%d errors reported in Summary "
                  "SMART error log / Informational Exceptions log page.]",
                  r.wear, r.errors);
    setStatus(disk, ORB_STATE_PREDICTIVE_FAILURE, ORB_HEALTH_WARNING, text);
}

void sasRules(orbDiskInfo& disk, int fd, DriveReadings& r) {
    const std::string link = disk.getOSSCSILink();
    const char* name = link.c_str();
    if (disk.getMediaType() == "SSD") {
        // A malformed page is no reading at all, not a worn-out drive.
        r.wear = get_sas_ssd_wear_checked(fd);
        if (r.wear < 0) {
            ORB_LOG_WARNING(kTag, "%s: Failed to determine SAS SSD wear [%d].", name, r.wear);
            r.wear = -1;
        }
    }
    orbMallocBytes page(get_sas_temp(fd));
    if (page) {
        r.current = sas_parse_current(page.get());
        r.maximum = sas_parse_mcot(page.get());
    } else {
        ORB_LOG_WARNING(kTag, "%s: Failed to determine SAS temp. Looking up unit temp.", name);
        r.current = get_unit_temp(fd);
    }
    r.errors = get_sas_health(fd);
    applyHealthRules(disk, r, true,
                     "Failed to read Informational Exceptions log page from disk drive.");
}

bool isPageAbsent(int code) {
    return code == ORB_SCSI_ABORTED_COMMAND || code == ORB_SCSI_ILLEGAL_REQUEST;
}

void ataRules(orbDiskInfo& disk, int fd, DriveReadings& r) {
    const std::string link = disk.getOSSCSILink();
    const char* name = link.c_str();
    if (disk.getMediaType() == "SSD" && disk.getIfSSDWearPageSupported()) {
        r.wear = get_sata_ssd_wear(fd);
        if (isPageAbsent(r.wear)) {
            ORB_LOG_INFO(kTag,
                         "%s: The SSD Statistics Page(07h) is not supported by Device "
                         "Statistics Log(04h)",
                         name);
            disk.setIfSSDWearPageSupported(false);
        } else if (r.wear < 0) {
            ORB_LOG_DEBUG(kTag, "%s: Failed to determine ATA SSD wear [%d].", name, r.wear);
        }
    }
    bool temperatureKnown = false;
    if ((disk.getATAMajorRevision() & 0xFE00) != 0 && disk.getIfTempPageSupported()) {
        unsigned char* raw = nullptr;
        size_t length = 0;
        int code = get_sata_temp(fd, &raw, &length);
        orbMallocBytes data(raw);
        if (code == 0) {
            const unsigned char* p = data.get();
            if (length > 95) {
                ORB_LOG_DEBUG(kTag,
                              "%s: ATA Temperature Info: [Rev=0x%02x%02x, Page=0x%02x, CT=0x%02x, "
                              "Flags=0x%02x, MT=0x%02x, Flags=0x%02x]",
                              name, p[1], p[0], p[2], p[8], p[15], p[88], p[95]);
            }
            temperatureKnown =
                sata_parse_current(p, length, &r.current) && sata_parse_mcot(p, length, &r.maximum);
            if (!temperatureKnown) {
                ORB_LOG_WARNING(kTag, "%s: Failed to read ATA temp values from log page. ", name);
            }
        } else if (isPageAbsent(code)) {
            ORB_LOG_INFO(kTag,
                         "%s: The Temperature Statistics Page(05h) is not supported by Device "
                         "Statistics Log(04h)",
                         name);
            disk.setIfTempPageSupported(false);
        } else {
            ORB_LOG_WARNING(kTag, "%s: Failed to retrieve ATA temp. (%d)", name, code);
        }
    }
    if (!temperatureKnown) {
        r.current = -1;
        r.maximum = -1;
    }
    r.errors = get_sata_health(fd);
    applyHealthRules(disk, r, temperatureKnown,
                     "Failed to read Summary SMART Error Log from disk drive.");
}

}  // namespace

void orbStorageController::discoverPhysicalDiskStatus(orbDiskInfo& disk) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    const std::string address = disk.getOSSCSILink();
    const char* name = address.c_str();
    // A descriptor the caller holds stays the caller's; one opened here is closed here.
    orbFileDescriptor opened;
    int fd = disk.getOSSGHandle();
    if (fd < 0) {
        orbMallocText generic(get_ScsiGeneric(name));
        if (!generic || !orbIsSysfsEntryName(generic.get())) {
            setStatus(disk, ORB_STATE_OFFLINE, ORB_HEALTH_CRITICAL,
                      format("SCSI generic device for SCSI link %s not available.", name));
            return;
        }
        const std::string devicePath = "/dev/" + std::string(generic.get());
        opened.reset(open(orbRootPath(devicePath).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
        if (!opened.isOpen()) {
            const int error = errno;
            if (error == ENXIO || error == ENODEV) {
                disk.setState(ORB_STATE_OFFLINE);
                disk.setHealth(ORB_HEALTH_CRITICAL);
            } else {
                disk.setState(ORB_STATE_FAILED);
            }
            disk.setEventInfoString(
                format("Unable to open SCSI generic device %s (SCSI link: %s). Error number: %d.",
                       devicePath.c_str(), name, error));
            SASResourceManager::getInstance()->invalidateInventoryCache();
            return;
        }
        fd = opened.get();
        disk.setOSSGHandle(fd);
    }
    DriveReadings readings;
    const bool ata = disk.getProtocol() == "SATA" || disk.getProtocol() == "ATA";

    // A page 80 that cannot be read says nothing about the drive in the bay.
    const std::string serial = orbTakeTrimmedText(get_unit_sn_from_sysfs_vpd_pg80(name));
    if (!serial.empty() && serial != disk.getSerialNumber()) {
        ORB_LOG_WARNING(kTag, "%s: Detected change in disk serial number: [%s, %s].", name,
                        serial.c_str(), disk.getSerialNumber().c_str());
        setStatus(disk, ORB_STATE_OFFLINE, ORB_HEALTH_CRITICAL,
                  format("Detected change in disk serial number (Current serial number: %s; Last "
                         "known serial number: %s).",
                         serial.c_str(), disk.getSerialNumber().c_str()));
        SASResourceManager::getInstance()->invalidateInventoryCache();
    } else if (ata) {
        ataRules(disk, fd, readings);
    } else if (disk.getProtocol() == "SAS") {
        sasRules(disk, fd, readings);
    } else if (!disk.getProtocol().empty()) {
        ORB_LOG_WARNING(kTag, "%s: Unknown disk protocol [%s]", name, disk.getProtocol().c_str());
        setStatus(disk, ORB_STATE_UNKNOWN, ORB_HEALTH_UNKNOWN,
                  format("Unknown transport protocol (%s) for disk drive. (SCSI link: %s)",
                         disk.getProtocol().c_str(), name));
    } else {
        setStatus(disk, ORB_STATE_FAILED, ORB_HEALTH_CRITICAL,
                  "Unable to determine the transport protocol of the disk drive.");
    }
    ORB_LOG_INFO(kTag,
                 ata ? "%s: ATA Disk Status: %s %s [S=%s; H=%s] (H=%d, T=%d, M=%d, W=%d)"
                     : "%s: SAS Disk Status: %s %s [S=%s; H=%s] (H=%d, T=%d, M=%d, W=%d)",
                 name, disk.getModel().c_str(), disk.getSerialNumber().c_str(),
                 orbResourceStateText(disk.getState()), orbResourceHealthText(disk.getHealth()),
                 readings.errors, readings.current, readings.maximum, readings.wear);
    if (opened.isOpen()) {
        disk.setOSSGHandle(-1);
    }
}

bool orbStorageController::generateEventOnStatusChange(orbDiskInfo& current,
                                                       const orbDiskInfo& previous) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (!current.isStateChangedFrom(previous)) {
        return false;
    }
    const char* currentState = orbResourceStateText(current.getState());
    const char* previousState = orbResourceStateText(previous.getState());
    const char* currentHealth = orbResourceHealthText(current.getHealth());
    const char* previousHealth = orbResourceHealthText(previous.getHealth());
    std::string location = current.getPhysicalLocation();
    if (!orbIsValidPhysicalLocation(location)) {
        location = previous.getPhysicalLocation();
    }
    if (!orbIsValidPhysicalLocation(location)) {
        ORB_LOG_WARNING(kTag,
                        "%s: Invalid physical location detected. [OldLoc=%s, NewLoc=%s, "
                        "CurrState=%s, PrevState=%s, CurrHealth=%s, PrevHealth=%s]",
                        current.getOSSCSILink().c_str(), previous.getPhysicalLocation().c_str(),
                        current.getPhysicalLocation().c_str(), currentState, previousState,
                        currentHealth, previousHealth);
        return false;
    }
    ORB_LOG_INFO(kTag,
                 "%s: %s - Detected disk status change. [CurrState=%s, PrevState=%s, "
                 "CurrHealth=%s, PrevHealth=%s]",
                 PciLocation.c_str(), current.getOSSCSILink().c_str(), currentState, previousState,
                 currentHealth, previousHealth);
    int eventId = 0;
    bool failure = true;
    switch (current.getState()) {
        case ORB_STATE_RUNNING:
            current.setEventInfoString("");
            // A drive read for the first time (its state still Unknown) has not recovered
            // from anything: without this every healthy drive would be reported at each start.
            if (previous.getState() != ORB_STATE_UNKNOWN) {
                eventId = 540;
            }
            failure = false;
            break;
        case ORB_STATE_PREDICTIVE_FAILURE:
            eventId = 539;
            break;
        case ORB_STATE_FAILED:
            eventId = 538;
            break;
        case ORB_STATE_OFFLINE:
            if (previous.getState() == ORB_STATE_PREDICTIVE_FAILURE ||
                previous.getState() == ORB_STATE_RUNNING) {
                eventId = 538;
            }
            break;
        default:
            break;
    }
    if (eventId == 0) {
        ORB_LOG_INFO(kTag, "%s: Event not generated for disk status change.",
                     current.getOSSCSILink().c_str());
        return false;
    }
    SASResourceManager::getInstance()->generateEvent(eventId, location, failure, current);
    return true;
}
