#include "storage/scsi_command.h"

#include <errno.h>
#include <scsi/sg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "storage/scsi_completion.h"
#include "storage/scsi_log_tag.h"
#include "storage/sg_exchange.h"

namespace {

constexpr uint8_t kLogSense = 0x4D;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kModeSense6 = 0x1A;
constexpr uint8_t kModeSense10 = 0x5A;
constexpr uint8_t kReadCapacity10 = 0x25;
constexpr uint8_t kServiceActionIn16 = 0x9E;
constexpr uint8_t kReadCapacity16Action = 0x10;
constexpr uint8_t kReadDefectData10 = 0x37;
constexpr uint8_t kAtaPassThrough16 = 0x85;
constexpr uint8_t kLogPageControlCumulative = 0x40;
constexpr uint8_t kDisableBlockDescriptors = 0x08;
constexpr unsigned kSenseBufferSize = 32;

void putBigEndian16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

std::string nameWithCode(const char* command, unsigned code) {
    char text[48];
    std::snprintf(text, sizeof(text), "%s(%02Xh)", command, code);
    return text;
}

}  // namespace

int orb_scsi_run(int fd, const orbScsiCommand& command, uint8_t* data, size_t dataLength,
                 size_t* transferred) {
    *transferred = 0;
    uint8_t sense[kSenseBufferSize] = {};
    uint8_t cdb[16];
    std::memcpy(cdb, command.cdb.data(), sizeof(cdb));

    sg_io_hdr_t hdr;
    std::memset(&hdr, 0, sizeof(hdr));
    hdr.interface_id = 'S';
    hdr.dxfer_direction = SG_DXFER_FROM_DEV;
    hdr.cmd_len = command.cdbLength;
    hdr.cmdp = cdb;
    hdr.mx_sb_len = sizeof(sense);
    hdr.sbp = sense;
    hdr.dxfer_len = static_cast<unsigned>(dataLength);
    hdr.dxferp = data;
    hdr.timeout = command.timeoutMs;

    int result = orb_sg_exchange(fd, &hdr);
    if (result < 0) {
        int error = errno;  // before the logger, whose first use opens files, can change it
        ORB_LOG_ERROR(kScsiLogTag, "IOCTL for %s failed. (%d, %d)", command.name.c_str(), result,
                      error);
        return ORB_SCSI_IOCTL_FAILED;
    }
    return process_scsi_completion(&hdr, transferred, command.caller);
}

bool orb_scsi_received(const orbScsiCommand& command, size_t transferred, size_t needed) {
    if (transferred >= needed) {
        return true;
    }
    ORB_LOG_ERROR(kScsiLogTag, "IOCTL for %s returned %zu bytes. (Min expected: %zu)",
                  command.name.c_str(), transferred, needed);
    return false;
}

orbScsiCommand orb_cdb_log_sense(uint8_t page, uint16_t allocation) {
    orbScsiCommand command;
    command.cdbLength = 10;
    command.cdb[0] = kLogSense;
    command.cdb[2] = static_cast<uint8_t>(kLogPageControlCumulative | (page & 0x3F));
    command.name = nameWithCode("LOG SENSE", command.cdb[2]);
    putBigEndian16(&command.cdb[7], allocation);
    return command;
}

orbScsiCommand orb_cdb_inquiry(bool evpd, uint8_t page, uint16_t allocation) {
    orbScsiCommand command;
    command.cdbLength = 6;
    command.cdb[0] = kInquiry;
    command.cdb[1] = evpd ? 0x01 : 0x00;
    command.cdb[2] = evpd ? page : 0;
    command.name = evpd ? nameWithCode("INQUIRY", page) : std::string("INQUIRY");
    putBigEndian16(&command.cdb[3], allocation);
    return command;
}

orbScsiCommand orb_cdb_mode_sense6(uint8_t page, uint8_t subpage, uint8_t allocation) {
    orbScsiCommand command;
    command.cdbLength = 6;
    command.cdb[0] = kModeSense6;
    command.cdb[1] = kDisableBlockDescriptors;
    command.cdb[2] = page & 0x3F;
    command.cdb[3] = subpage;
    command.cdb[4] = allocation;
    command.name = nameWithCode("MODE SENSE", command.cdb[2]);
    return command;
}

orbScsiCommand orb_cdb_mode_sense10(uint8_t page, uint8_t subpage, uint16_t allocation) {
    orbScsiCommand command;
    command.cdbLength = 10;
    command.cdb[0] = kModeSense10;
    command.cdb[1] = kDisableBlockDescriptors;
    command.cdb[2] = page & 0x3F;
    command.cdb[3] = subpage;
    command.name = nameWithCode("MODE SENSE(10)", command.cdb[2]);
    putBigEndian16(&command.cdb[7], allocation);
    return command;
}

orbScsiCommand orb_cdb_read_capacity10() {
    orbScsiCommand command;
    command.cdbLength = 10;
    command.cdb[0] = kReadCapacity10;
    command.name = "READ CAPACITY(10)";
    return command;
}

orbScsiCommand orb_cdb_read_capacity16(uint32_t allocation) {
    orbScsiCommand command;
    command.cdbLength = 16;
    command.cdb[0] = kServiceActionIn16;
    command.cdb[1] = kReadCapacity16Action;
    command.name = "READ CAPACITY(16)";
    command.cdb[10] = static_cast<uint8_t>(allocation >> 24);
    command.cdb[11] = static_cast<uint8_t>(allocation >> 16);
    command.cdb[12] = static_cast<uint8_t>(allocation >> 8);
    command.cdb[13] = static_cast<uint8_t>(allocation);
    return command;
}

orbScsiCommand orb_cdb_read_defect_data10(uint16_t allocation) {
    orbScsiCommand command;
    command.cdbLength = 10;
    command.cdb[0] = kReadDefectData10;
    command.name = "READ DEFECT DATA(10)";
    // Grown defect list in the format of the drive's choice ("bytes from index" asked for).
    command.cdb[2] = 0x08 | 0x04;
    putBigEndian16(&command.cdb[7], allocation);
    return command;
}

orbScsiCommand orb_cdb_ata_pass_through16(const orbAtaTaskfile& taskfile, const char* name) {
    constexpr uint8_t kPioDataIn = 4;
    orbScsiCommand command;
    command.name = name;
    command.cdbLength = 16;
    command.cdb[0] = kAtaPassThrough16;
    command.cdb[1] = static_cast<uint8_t>((kPioDataIn << 1) | (taskfile.extend ? 1 : 0));
    // T_DIR from the device, BYT_BLOK in blocks, T_LENGTH in the sector count field.
    command.cdb[2] = 0x08 | 0x04 | 0x02;
    command.cdb[4] = taskfile.features;
    command.cdb[6] = taskfile.sectorCount;
    command.cdb[8] = taskfile.lbaLow;
    command.cdb[10] = taskfile.lbaMid;
    command.cdb[12] = taskfile.lbaHigh;
    command.cdb[14] = taskfile.command;
    return command;
}

orbScsiReply orb_scsi_query(int fd, orbScsiCommand command, const char* caller, size_t size) {
    orbScsiReply reply;
    reply.buffer.assign(size, 0);
    command.caller = caller;
    reply.code = orb_scsi_run(fd, command, reply.buffer.data(), size, &reply.transferred);
    return reply;
}

unsigned char* orb_copy_reply(const uint8_t* data, size_t length, size_t minimumSize) {
    size_t size = length > minimumSize ? length : minimumSize;
    auto* copy = static_cast<unsigned char*>(std::calloc(size > 0 ? size : 1, 1));
    if (copy != nullptr && length > 0) {
        std::memcpy(copy, data, length);
    }
    return copy;
}
