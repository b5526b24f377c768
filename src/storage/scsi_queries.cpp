// SG_IO queries of SCSI drives (and of SATA drives through their SCSI translation).
#include "storage/scsi_queries.h"

#include <cstdlib>

#include "core/log.h"
#include "storage/scsi_command.h"
#include "storage/scsi_log_tag.h"
#include "storage/scsi_pages.h"

namespace {

constexpr uint8_t kInformationalExceptionsPage = 0x2F;
constexpr uint8_t kTemperaturePage = 0x0D;
constexpr uint8_t kSolidStateMediaPage = 0x11;
constexpr uint8_t kBackgroundScanPage = 0x15;
constexpr uint8_t kProtocolPortModePage = 0x19;
constexpr uint8_t kPhyControlSubpage = 0x01;
constexpr uint8_t kInformationalExceptionsControlPage = 0x1C;
constexpr uint8_t kUnitSerialNumberVpd = 0x80;
constexpr uint8_t kBlockCharacteristicsVpd = 0xB1;
constexpr size_t kIePageRequest = 98;
constexpr size_t kStandardInquiryRequest = 96;
constexpr size_t kTemperatureRequest = kSasTemperaturePageSize;

orbScsiReply readIePage(int fd, const orbScsiCommand& command, const char* caller) {
    return orb_scsi_query(fd, command, caller, kIePageRequest);
}

// Rotation rate from VPD page B1h, shared by the two queries that look at it.
int readRotationRate(int fd, const char* caller) {
    constexpr size_t kRequest = 252;
    orbScsiCommand command = orb_cdb_inquiry(true, kBlockCharacteristicsVpd, kRequest);
    orbScsiReply reply = orb_scsi_query(fd, command, caller, kRequest);
    if (reply.code != 0) {
        return reply.code;
    }
    ORB_LOG_DEBUG(kScsiLogTag, "DMRR Response: %02x %02x %02x %02x %02x %02x", reply.at(0),
                  reply.at(1), reply.at(2), reply.at(3), reply.at(4), reply.at(5));
    if (!orb_scsi_received(command, reply.transferred, 6)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return orb_parse_block_characteristics_page(reply.data(), reply.transferred);
}

// Standard INQUIRY data, cut to the length the drive itself gives (additional length + 5).
orbScsiReply readStandardInquiry(int fd, const char* caller, size_t request) {
    orbScsiCommand command = orb_cdb_inquiry(false, 0, static_cast<uint16_t>(request));
    orbScsiReply reply = orb_scsi_query(fd, command, caller, request);
    if (reply.code == 0 && !orb_scsi_received(command, reply.transferred, 5)) {
        reply.code = ORB_SCSI_SHORT_DATA;
    }
    if (reply.code == 0 && reply.transferred > reply.buffer[4] + 5u) {
        reply.transferred = reply.buffer[4] + 5u;
    }
    return reply;
}

char* inquiryField(const unsigned char* inquiry, size_t length, size_t offset, size_t size) {
    if (inquiry == nullptr || length < 5) {
        return nullptr;
    }
    size_t claimed = inquiry[4] + 5u;
    size_t available = length < claimed ? length : claimed;
    if (available < offset + size) {
        return nullptr;
    }
    return reinterpret_cast<char*>(orb_copy_reply(inquiry + offset, size, size + 1));
}

}  // namespace

// Callers may be C, which cannot take an exception: a function below that builds C++ objects
// (texts, buffers) turns their failure (memory exhausted) into its own failure value.
extern "C" {

int get_sas_health(int fd) try {
    orbScsiCommand command = orb_cdb_log_sense(kInformationalExceptionsPage, kIePageRequest);
    orbScsiReply reply = readIePage(fd, command, __func__);
    if (reply.code != 0) {
        return reply.code;
    }
    ORB_LOG_DEBUG(kScsiLogTag, "SAS Health Response: %02x %02x %02x", reply.at(0), reply.at(8),
                  reply.at(9));
    if (!orb_scsi_received(command, reply.transferred, 10)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return orb_parse_ie_health(reply.data(), reply.transferred);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_unit_temp(int fd) try {
    orbScsiCommand command = orb_cdb_log_sense(kInformationalExceptionsPage, kIePageRequest);
    orbScsiReply reply = readIePage(fd, command, __func__);
    if (reply.code != 0) {
        return reply.code;
    }
    ORB_LOG_DEBUG(kScsiLogTag, "Unit Temp Response: %02x %02x %02x", reply.at(0), reply.at(3),
                  reply.at(10));
    if (!orb_scsi_received(command, reply.transferred, 11)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return orb_parse_ie_temperature(reply.data(), reply.transferred);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

unsigned char* get_sas_temp(int fd) try {
    orbScsiCommand command = orb_cdb_log_sense(kTemperaturePage, kSasTemperaturePageSize);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kSasTemperaturePageSize);
    if (reply.code != 0) {
        return nullptr;
    }
    ORB_LOG_DEBUG(kScsiLogTag, "SAS Temp Response: %02x %02x %02x %02x", reply.at(0), reply.at(1),
                  reply.at(2), reply.at(3));
    if (!orb_scsi_received(command, reply.transferred, 4)) {
        return nullptr;
    }
    // The whole page must have arrived, as far as the request's own size reaches: a drive
    // that cuts a longer page at the allocation length does what it should.
    size_t pageSize = 4u + ((reply.buffer[2] << 8) | reply.buffer[3]);
    size_t needed = pageSize < kTemperatureRequest ? pageSize : kTemperatureRequest;
    if (!orb_scsi_received(command, reply.transferred, needed)) {
        return nullptr;
    }
    if (orb_parse_temperature_page(reply.data(), needed, nullptr, nullptr) != 0) {
        ORB_LOG_ERROR(kScsiLogTag, "%s returned page %02xh instead of %02xh.", command.name.c_str(),
                      reply.at(0) & 0x3F, kTemperaturePage);
        return nullptr;
    }
    return orb_copy_reply(reply.data(), needed, kSasTemperaturePageSize);
} catch (...) {
    return nullptr;
}

int sas_parse_current(const unsigned char* page) {
    int current = 0;
    if (page == nullptr ||
        orb_parse_temperature_page(page, kSasTemperaturePageSize, &current, nullptr) != 0) {
        return 0;
    }
    return current;
}

int sas_parse_mcot(const unsigned char* page) {
    int reference = 0;
    if (page == nullptr ||
        orb_parse_temperature_page(page, kSasTemperaturePageSize, nullptr, &reference) != 0) {
        return 0;
    }
    return reference;
}

int get_sas_ssd_wear_checked(int fd) try {
    constexpr size_t kRequest = 16;
    orbScsiCommand command = orb_cdb_log_sense(kSolidStateMediaPage, kRequest);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kRequest);
    if (reply.code != 0) {
        return reply.code;
    }
    ORB_LOG_DEBUG(kScsiLogTag, "Wear Response: %02x %02x %02x", reply.at(0), reply.at(3),
                  reply.at(11));
    if (!orb_scsi_received(command, reply.transferred, 12)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return orb_parse_ssd_media_page(reply.data(), reply.transferred);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_sas_ssd_wear(int fd) {
    // Callers of this form know a malformed page as 255.
    int wear = get_sas_ssd_wear_checked(fd);
    return wear == ORB_SCSI_WRONG_PAGE ? 255 : wear;
}

long long get_sas_pwron(int fd) try {
    constexpr size_t kRequest = 64;
    orbScsiCommand command = orb_cdb_log_sense(kBackgroundScanPage, kRequest);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kRequest);
    if (reply.code != 0) {
        return reply.code;
    }
    ORB_LOG_DEBUG(kScsiLogTag, "Power On Response: %02x %02x %02x %02x", reply.at(8), reply.at(9),
                  reply.at(10), reply.at(11));
    if (!orb_scsi_received(command, reply.transferred, 12)) {
        return ORB_SCSI_SHORT_DATA;
    }
    long long minutes = orb_parse_background_scan_page(reply.data(), reply.transferred);
    return minutes < 0 ? minutes : minutes / 60;
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_scsi_transport_protocol(int fd) try {
    constexpr size_t kRequest = 255;
    orbScsiCommand command = orb_cdb_mode_sense6(kProtocolPortModePage, 0, kRequest);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kRequest);
    if (reply.code != 0) {
        return reply.code;
    }
    ORB_LOG_DEBUG(kScsiLogTag, "PSPP Response: %02x %02x %02x %02x %02x %02x %02x", reply.at(0),
                  reply.at(1), reply.at(2), reply.at(3), reply.at(4), reply.at(5), reply.at(6));
    if (!orb_scsi_received(command, reply.transferred, 7)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return orb_parse_protocol_port_page(reply.data(), reply.transferred);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_scsi_disk_medium_rotation_rate(int fd) try {
    return readRotationRate(fd, __func__);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int is_unit_ssd(int fd) try {
    int rate = readRotationRate(fd, __func__);
    return rate < 0 ? rate : (rate == 1 ? 1 : 0);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_unit_speed(int fd) try {
    constexpr size_t kRequest = 512;
    orbScsiCommand command =
        orb_cdb_mode_sense10(kProtocolPortModePage, kPhyControlSubpage, kRequest);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kRequest);
    if (reply.code != 0) {
        return reply.code;
    }
    if (!orb_scsi_received(command, reply.transferred, 38)) {
        return ORB_SCSI_SHORT_DATA;
    }
    uint8_t attached = 0;
    uint8_t rate = 0;
    int result = orb_parse_phy_control_page(reply.data(), reply.transferred, &attached, &rate);
    ORB_LOG_DEBUG(kScsiLogTag, "Speed Response: %02x %02x", attached, rate);
    return result;
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int is_unit_smart(int fd) try {
    constexpr size_t kRequest = 32;
    orbScsiCommand command = orb_cdb_mode_sense6(kInformationalExceptionsControlPage, 0, kRequest);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kRequest);
    if (reply.code != 0) {
        return reply.code;
    }
    if (!orb_scsi_received(command, reply.transferred, 8)) {
        return ORB_SCSI_SHORT_DATA;
    }
    const uint8_t* page = nullptr;
    int result = orb_parse_ie_control_page(reply.data(), reply.transferred, &page);
    if (page != nullptr) {
        ORB_LOG_DEBUG(kScsiLogTag, "Smart Response: %02x %02x %02x %02x", page[0], page[1], page[2],
                      page[3]);
    }
    return result;
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_defect_data_size(int fd) try {
    // The header alone: the drive gives the full list length even when the list is cut.
    constexpr size_t kRequest = 4;
    orbScsiCommand command = orb_cdb_read_defect_data10(kRequest);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kRequest);
    if (reply.code != 0) {
        return reply.code;
    }
    if (!orb_scsi_received(command, reply.transferred, 4)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return orb_parse_defect_list_header(reply.data(), reply.transferred);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_disk_capacity(int fd, unsigned long long* blocks, unsigned* blockLength) try {
    if (blocks == nullptr || blockLength == nullptr) {
        return ORB_SCSI_WRONG_PAGE;
    }
    orbScsiCommand command = orb_cdb_read_capacity10();
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, 8);
    if (reply.code != 0) {
        return reply.code;
    }
    if (!orb_scsi_received(command, reply.transferred, 8)) {
        return ORB_SCSI_SHORT_DATA;
    }
    int result = orb_parse_read_capacity10(reply.data(), reply.transferred, blocks, blockLength);
    if (result != 1) {
        return result;
    }
    constexpr size_t kRequest16 = 32;
    command = orb_cdb_read_capacity16(kRequest16);
    reply = orb_scsi_query(fd, command, __func__, kRequest16);
    if (reply.code != 0) {
        return reply.code;
    }
    if (!orb_scsi_received(command, reply.transferred, 12)) {
        return ORB_SCSI_SHORT_DATA;
    }
    return orb_parse_read_capacity16(reply.data(), reply.transferred, blocks, blockLength);
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

int get_identify_info(int fd, unsigned char** buffer, size_t* length) try {
    if (buffer == nullptr || length == nullptr) {
        return ORB_SCSI_WRONG_PAGE;
    }
    *buffer = nullptr;
    *length = 0;
    orbScsiReply reply = readStandardInquiry(fd, __func__, 255);
    if (reply.code != 0) {
        return reply.code;
    }
    *buffer = orb_copy_reply(reply.data(), reply.transferred);
    if (*buffer == nullptr) {
        return ORB_SCSI_NO_MEMORY;
    }
    *length = reply.transferred;
    return 0;
} catch (...) {
    return ORB_SCSI_NO_MEMORY;
}

char* inq_parse_vendor(const unsigned char* inquiry, size_t length) {
    return inquiryField(inquiry, length, 8, 8);
}
char* inq_parse_prodID(const unsigned char* inquiry, size_t length) {
    return inquiryField(inquiry, length, 16, 16);
}
char* inq_parse_rev(const unsigned char* inquiry, size_t length) {
    return inquiryField(inquiry, length, 32, 4);
}
int inq_parse_type(const unsigned char* inquiry, size_t length) {
    if (inquiry == nullptr || length < 1) {
        return ORB_SCSI_SHORT_DATA;
    }
    return inquiry[0] & 0x1F;
}

char* get_unit_sn_from_device_inquiry(int fd) try {
    orbScsiReply reply = readStandardInquiry(fd, __func__, kStandardInquiryRequest);
    char* serial =
        reply.code == 0 ? orb_parse_inquiry_serial(reply.data(), reply.transferred) : nullptr;
    if (serial == nullptr) {
        ORB_LOG_WARNING(kScsiLogTag, "Unable to extract disk serial number from inquiry. (%zd, %u)",
                        static_cast<ssize_t>(reply.transferred), reply.at(4));
    }
    return serial;
} catch (...) {
    return nullptr;
}

char* get_unit_sn_from_device_vpd_pg80(int fd) try {
    constexpr size_t kRequest = 252;
    orbScsiCommand command = orb_cdb_inquiry(true, kUnitSerialNumberVpd, kRequest);
    orbScsiReply reply = orb_scsi_query(fd, command, __func__, kRequest);
    char* serial =
        reply.code == 0 ? orb_parse_unit_serial_page(reply.data(), reply.transferred) : nullptr;
    if (serial == nullptr) {
        ORB_LOG_WARNING(kScsiLogTag,
                        "Unable to extract disk serial number from VPD page 80. (%zd, %u)",
                        static_cast<ssize_t>(reply.transferred), reply.at(1));
    }
    return serial;
} catch (...) {
    return nullptr;
}

}  // extern "C"
