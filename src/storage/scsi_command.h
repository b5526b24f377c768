#pragma once

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string>
#include <vector>

// One SCSI command as the queries send it: a data-in transfer with a 32-byte sense buffer.
struct orbScsiCommand {
    const char* caller = "";  // the query's name, for the completion log
    std::string name;         // the command's text in log lines, e.g. "LOG SENSE(6Fh)"
    std::array<uint8_t, 16> cdb{};
    uint8_t cdbLength = 0;
    unsigned timeoutMs = 60000;
};

// Issues the command and judges its completion: 0 with *transferred set, -2 when the exchange
// failed ("IOCTL for <name> failed. (result, errno)" is logged), or the completion's code.
int orb_scsi_run(int fd, const orbScsiCommand& command, uint8_t* data, size_t dataLength,
                 size_t* transferred);

// True when at least `needed` bytes arrived; otherwise logs
// "IOCTL for <name> returned N bytes. (Min expected: M)".
bool orb_scsi_received(const orbScsiCommand& command, size_t transferred, size_t needed);

// Command blocks of the queries.
orbScsiCommand orb_cdb_log_sense(uint8_t page, uint16_t allocation);
orbScsiCommand orb_cdb_inquiry(bool evpd, uint8_t page, uint16_t allocation);
orbScsiCommand orb_cdb_mode_sense6(uint8_t page, uint8_t subpage, uint8_t allocation);
orbScsiCommand orb_cdb_mode_sense10(uint8_t page, uint8_t subpage, uint16_t allocation);
orbScsiCommand orb_cdb_read_capacity10();
orbScsiCommand orb_cdb_read_capacity16(uint32_t allocation);
orbScsiCommand orb_cdb_read_defect_data10(uint16_t allocation);

// ATA PASS-THROUGH (16), PIO data-in of `sectors` 512-byte blocks.
struct orbAtaTaskfile {
    uint8_t command = 0;
    uint8_t features = 0;
    uint8_t sectorCount = 1;
    uint8_t lbaLow = 0;
    uint8_t lbaMid = 0;
    uint8_t lbaHigh = 0;
    bool extend = false;  // 48-bit command
};
orbScsiCommand orb_cdb_ata_pass_through16(const orbAtaTaskfile& taskfile, const char* name);

// The reply of one query command: its code, the bytes that arrived, and the whole buffer the
// command was given (zero-filled, so a log of its leading bytes never reads unset memory).
struct orbScsiReply {
    int code = 0;
    size_t transferred = 0;
    std::vector<uint8_t> buffer;
    const uint8_t* data() const { return buffer.data(); }
    // The leading byte i of the buffer, for debug logs of a response.
    unsigned at(size_t i) const { return i < buffer.size() ? buffer[i] : 0; }
};

// Runs the command with a data buffer of `size` bytes, as caller `caller`.
orbScsiReply orb_scsi_query(int fd, orbScsiCommand command, const char* caller, size_t size);

// A malloc'ed copy of the first `length` bytes, zero-filled up to `minimumSize`; null when
// there is no memory.
unsigned char* orb_copy_reply(const uint8_t* data, size_t length, size_t minimumSize = 0);
