// Queries of SATA drives through ATA PASS-THROUGH (16).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/log.h"
#include "core/owned_resources.h"
#include "storage/ata_pages.h"
#include "storage/scsi_command.h"
#include "storage/scsi_log_tag.h"
#include "storage/scsi_queries.h"

namespace {

constexpr uint8_t kReadLogExt = 0x2F;
constexpr uint8_t kIdentifyDevice = 0xEC;
constexpr uint8_t kSmart = 0xB0;
constexpr uint8_t kSmartReadLog = 0xD5;
constexpr uint8_t kComprehensiveErrorLog = 0x03;
constexpr uint8_t kDeviceStatisticsLog = 0x04;
constexpr uint8_t kVendorLogD0 = 0xD0;
constexpr uint8_t kSctStatusLog = 0xE0;
constexpr uint8_t kGeneralStatistics = 0x01;
constexpr uint8_t kTemperatureStatistics = 0x05;
constexpr uint8_t kSolidStateStatistics = 0x07;
constexpr size_t kPowerOnHoursOffset = 16;
constexpr size_t kCurrentTemperatureOffset = 8;
constexpr size_t kMaximumOperatingTemperatureOffset = 88;
constexpr size_t kEnduranceUsedOffset = 8;
constexpr unsigned kSmartLogTimeoutMs = 20000;

// READ LOG EXT is a 48-bit command, so it goes through the pass-through extended for every log:
// a SAT layer may refuse it in the 28-bit form.
orbScsiCommand readLogExt(uint8_t logAddress, uint8_t page, const char* name) {
    orbAtaTaskfile taskfile;
    taskfile.command = kReadLogExt;
    taskfile.lbaLow = logAddress;
    taskfile.lbaMid = page;
    taskfile.extend = true;
    return orb_cdb_ata_pass_through16(taskfile, name);
}

// One sector handed to the caller as a malloc'ed copy.
int copyOut(const orbScsiReply& reply, unsigned char** buffer, size_t* length) {
    *buffer = orb_copy_reply(reply.data(), reply.transferred);
    if (*buffer == nullptr) {
        return ORB_SCSI_NO_MEMORY;
    }
    *length = reply.transferred;
    return 0;
}

bool temperatureStatistic(const unsigned char* page, size_t length, size_t offset, int* value) {
    unsigned long long raw = 0;
    if (!orb_parse_device_statistic(page, length, kTemperatureStatistics, offset, &raw)) {
        return false;
    }
    if (value != nullptr) {
        *value = static_cast<int8_t>(raw & 0xFF);
    }
    return true;
}

orbScsiReply readIdentify(int fd, const char* caller, orbScsiCommand& command) {
    orbAtaTaskfile taskfile;
    taskfile.command = kIdentifyDevice;
    command = orb_cdb_ata_pass_through16(taskfile, "ATA IDENTIFY DEVICE(ECh)");
    return orb_scsi_query(fd, command, caller, kAtaSectorSize);
}

// A statistic of a Device Statistics page: its value, the page's failure code, or -1 when
// the drive does not keep that statistic.
long long deviceStatistic(int fd, int page, size_t offset) {
    unsigned char* raw = nullptr;
    size_t length = 0;
    int code = get_sata_log(fd, page, &raw, &length);
    orbMallocBytes data(raw);
    if (code != 0) {
        return code;
    }
    unsigned long long value = 0;
    if (!orb_parse_device_statistic(data.get(), length, static_cast<uint8_t>(page), offset,
                                    &value)) {
        return ORB_SCSI_WRONG_PAGE;
    }
    return static_cast<long long>(value);
}

}  // namespace

// Callers may be C, which cannot take an exception: a function below that builds C++ objects
// (texts, buffers) turns their failure (memory exhausted) into its own failure value.
extern "C" {

int get_sata_health(int fd) try {
    orbScsiCommand command = readLogExt(kComprehensiveErrorLog, 0, "ATA READ LOG EXT(03h)");
    command.timeoutMs = kSmartLogTimeoutMs;
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kAtaSectorSize);
    if (reply.code != 0) {
        return reply.code;
    }
    ORB_LOG_DEBUG(kScsiLogTag, "SATA Health Response(log address 03h): %02x %02x %02x %02x",
                  reply.at(0), reply.at(1), reply.at(2), reply.at(3));
    if (!orb_scsi_received(command, reply.transferred, 4)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return orb_parse_ext_error_log(reply.data(), reply.transferred);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_sata_log(int fd, int page, unsigned char** buffer, size_t* length) try {
    if (buffer == nullptr || length == nullptr || page < 0 || page > 0xFF) {
        return ORB_SCSI_WRONG_PAGE;
    }
    *buffer = nullptr;
    *length = 0;
    char name[48];
    std::snprintf(name, sizeof(name), "ATA DEV STAT LOG(%d)", page);
    orbScsiCommand command = readLogExt(kDeviceStatisticsLog, static_cast<uint8_t>(page), name);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kAtaSectorSize);
    if (reply.code != 0) {
        ORB_LOG_ERROR(kScsiLogTag, "ATA DEV STAT LOG(%d) command failed.", page);
        return reply.code;
    }
    if (reply.transferred == 0) {
        ORB_LOG_ERROR(kScsiLogTag, "IOCTL for ATA DEV STAT LOG(%d) returned no data.", page);
        return ORB_SCSI_SHORT_DATA;
    }
    if (reply.transferred > 1 && reply.buffer[0] == 0 && reply.buffer[1] == 0) {
        ORB_LOG_WARNING(kScsiLogTag,
                        "The requested page %02x is not supported by Device Statistics Log(04h)",
                        page);
    }
    return copyOut(reply, buffer, length);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_sata_statlog(int fd, unsigned char** buffer, size_t* length) {
    return get_sata_log(fd, kGeneralStatistics, buffer, length);
}
int get_sata_temp(int fd, unsigned char** buffer, size_t* length) {
    return get_sata_log(fd, kTemperatureStatistics, buffer, length);
}
int get_sata_ssdlog(int fd, unsigned char** buffer, size_t* length) {
    return get_sata_log(fd, kSolidStateStatistics, buffer, length);
}

bool sata_parse_current(const unsigned char* page, size_t length, int* value) {
    return temperatureStatistic(page, length, kCurrentTemperatureOffset, value);
}

bool sata_parse_mcot(const unsigned char* page, size_t length, int* value) {
    return temperatureStatistic(page, length, kMaximumOperatingTemperatureOffset, value);
}

int get_sata_ssd_wear(int fd) {
    long long value = deviceStatistic(fd, kSolidStateStatistics, kEnduranceUsedOffset);
    // The indicator is one unsigned byte and may pass 100 % on a worn drive; it can never be
    // mistaken for an error code.
    return value < 0 ? static_cast<int>(value) : static_cast<int>(value & 0xFF);
}

long long get_sata_pwron(int fd) {
    long long value = deviceStatistic(fd, kGeneralStatistics, kPowerOnHoursOffset);
    return value < 0 ? value : (value & 0xFFFFFFFFLL);
}

int get_sata_log_vpd_pgD0(int fd, unsigned char** buffer, size_t* length) try {
    if (buffer == nullptr || length == nullptr) {
        return ORB_SCSI_WRONG_PAGE;
    }
    *buffer = nullptr;
    *length = 0;
    orbScsiCommand command = readLogExt(kVendorLogD0, 0, "ATA READ LOG EXT(D0h)");
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kAtaSectorSize);
    if (reply.code != 0) {
        return reply.code;
    }
    if (!orb_scsi_received(command, reply.transferred, 1)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return copyOut(reply, buffer, length);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_sata_sct_stat(int fd, unsigned char** buffer, size_t* length) try {
    if (buffer == nullptr || length == nullptr) {
        return ORB_SCSI_WRONG_PAGE;
    }
    *buffer = nullptr;
    *length = 0;
    orbAtaTaskfile taskfile;
    taskfile.command = kSmart;
    taskfile.features = kSmartReadLog;
    taskfile.lbaLow = kSctStatusLog;
    taskfile.lbaMid = 0x4F;  // the SMART signature the drive expects in LBA mid and high
    taskfile.lbaHigh = 0xC2;
    orbScsiCommand command = orb_cdb_ata_pass_through16(taskfile, "ATA SMART READ LOG(E0h)");
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kAtaSectorSize);
    if (reply.code != 0) {
        return reply.code;
    }
    if (!orb_scsi_received(command, reply.transferred, kAtaSectorSize)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return copyOut(reply, buffer, length);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_ata_identify_device_info(int fd, _ORB_ATA_IDENTIFY_INFO* info) try {
    if (info == nullptr) {
        return ORB_SCSI_WRONG_PAGE;
    }
    orbScsiCommand command;
    orbScsiReply reply = readIdentify(fd, __func__, command);
    if (reply.code != 0) {
        return reply.code;
    }
    if (!orb_scsi_received(command, reply.transferred, kAtaSectorSize)) {
        return ORB_SCSI_SHORT_DATA;
    }
    if (!orb_identify_checksum_valid(reply.data(), reply.transferred)) {
        // SAT layers rewrite IDENTIFY words without fixing the checksum; the identity is
        // still the drive's, and losing it would drop the drive from the inventory.
        ORB_LOG_WARNING(kScsiLogTag,
                        "ATA IDENTIFY DEVICE(ECh) data fails its checksum (%02x); decoded anyway.",
                        reply.at(511));
    }
    return orb_parse_identify_device(reply.data(), reply.transferred, info);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

char* get_sata_DiskRev(int fd) try {
    constexpr size_t kFirmwareEnd = 54;  // words 23-26 are bytes 46 to 53
    orbScsiCommand command;
    orbScsiReply reply = readIdentify(fd, __func__, command);
    if (reply.code != 0 || !orb_scsi_received(command, reply.transferred, kFirmwareEnd)) {
        return nullptr;
    }
    char firmware[9];
    if (orb_parse_identify_firmware(reply.data(), reply.transferred, firmware, sizeof(firmware)) !=
        0) {
        return nullptr;
    }
    return reinterpret_cast<char*>(
        orb_copy_reply(reinterpret_cast<const uint8_t*>(firmware), sizeof(firmware)));
} catch (...) {
    return nullptr;
}

}  // extern "C"
