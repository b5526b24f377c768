#pragma once

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

// Decoders of the ATA data the queries read through ATA PASS-THROUGH: IDENTIFY DEVICE, the
// Device Statistics log (04h) pages and the Extended Comprehensive SMART Error log (03h).
// Each takes the bytes that really arrived; results follow the query codes (-4 short, -1
// wrong page or failed field check).

#ifdef __cplusplus
extern "C" {
#endif

// What the service uses of IDENTIFY DEVICE. Texts are terminated and trimmed of the blanks
// ATA pads them with.
struct _ORB_ATA_IDENTIFY_INFO {
    char serialNumber[21];       // words 10-19
    char firmwareRevision[9];    // words 23-26
    char modelNumber[41];        // words 27-46
    uint16_t capabilities;       // word 49
    uint16_t majorVersion;       // word 80 (bit n set: supports ATA major revision n)
    uint16_t commandSets;        // word 82 (bit 0: SMART feature set)
    uint16_t rotationRate;       // word 217, nominal media rotation rate
    unsigned long long sectors;  // words 100-103, or 60-61 for a drive without 48-bit LBA
};

enum { kAtaSectorSize = 512 };

// Copies wordCount words of IDENTIFY data (one 512-byte sector) from firstWord on into dst,
// swapping the two bytes of each word (ATA string order). dst receives exactly wordCount * 2
// bytes and no terminator; nothing is copied when the words run past the sector.
void get_ata_string(char* dst, const uint8_t* identify, unsigned firstWord, unsigned wordCount);

// The same bounded by both buffers, and terminated. False, with dst empty, when the words lie
// outside the identifyLength bytes or dst (dstSize bytes) cannot hold them and the terminator.
bool get_ata_string_bounded(char* dst, size_t dstSize, const uint8_t* identify,
                            size_t identifyLength, unsigned firstWord, unsigned wordCount);

// False when IDENTIFY data carries its integrity word (A5h signature) and the checksum does not
// add up; true for data without one.
bool orb_identify_checksum_valid(const uint8_t* data, size_t length);

// IDENTIFY DEVICE data of one full sector: 0 with *info filled, -4 when shorter. The checksum
// is not required: SAT layers are known to rewrite words without fixing it, and the drive's
// identity is still in the data.
int orb_parse_identify_device(const uint8_t* data, size_t length,
                              struct _ORB_ATA_IDENTIFY_INFO* info);

// Firmware revision (words 23-26, trimmed) from IDENTIFY data of at least 54 bytes.
int orb_parse_identify_firmware(const uint8_t* data, size_t length, char* dst, size_t dstSize);

// One statistic of a Device Statistics page: true with its value (bits 0-47) when the page
// is the one named (revision non-zero, page number in byte 2), the statistic's eight bytes
// lie within the page, and its flags say it is both supported and valid.
bool orb_parse_device_statistic(const uint8_t* page, size_t length, uint8_t pageNumber,
                                size_t offset, unsigned long long* value);

// The error log index of log 03h (0: no error logged); -1 unless its version is 1.
int orb_parse_ext_error_log(const uint8_t* data, size_t length);

#ifdef __cplusplus
}  // extern "C"
#endif
