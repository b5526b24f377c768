#include "storage/ata_pages.h"

#include <cstring>

#include "storage/byte_view.h"
#include "storage/scsi_completion.h"

namespace {

constexpr uint8_t kSupportedFlag = 0x80;
constexpr uint8_t kValidFlag = 0x40;

void trimBlanks(char* text) {
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) {
        text[--length] = '\0';
    }
    size_t start = 0;
    while (text[start] == ' ') {
        ++start;
    }
    if (start > 0) {
        std::memmove(text, text + start, length - start + 1);
    }
}

// ATA strings hold two characters a word, the first in the word's high byte.
void swapWords(char* dst, const uint8_t* words, size_t bytes) {
    for (size_t i = 0; i < bytes; i += 2) {
        dst[i] = static_cast<char>(words[i + 1]);
        dst[i + 1] = static_cast<char>(words[i]);
    }
}

bool trimmedString(char* dst, size_t dstSize, orbByteView identify, unsigned firstWord,
                   unsigned wordCount) {
    if (!get_ata_string_bounded(dst, dstSize, identify.data(), identify.size(), firstWord,
                                wordCount)) {
        return false;
    }
    trimBlanks(dst);
    return true;
}

}  // namespace

extern "C" {

void get_ata_string(char* dst, const uint8_t* identify, unsigned firstWord, unsigned wordCount) {
    size_t begin = static_cast<size_t>(firstWord) * 2;
    size_t bytes = static_cast<size_t>(wordCount) * 2;
    if (dst == nullptr || identify == nullptr || begin > kAtaSectorSize ||
        bytes > kAtaSectorSize - begin) {
        return;
    }
    swapWords(dst, identify + begin, bytes);
}

bool get_ata_string_bounded(char* dst, size_t dstSize, const uint8_t* identify,
                            size_t identifyLength, unsigned firstWord, unsigned wordCount) {
    if (dst == nullptr || dstSize == 0) {
        return false;
    }
    dst[0] = '\0';
    size_t begin = static_cast<size_t>(firstWord) * 2;
    size_t bytes = static_cast<size_t>(wordCount) * 2;
    if (identify == nullptr || begin > identifyLength || bytes > identifyLength - begin ||
        bytes >= dstSize) {
        return false;
    }
    swapWords(dst, identify + begin, bytes);
    dst[bytes] = '\0';
    return true;
}

bool orb_identify_checksum_valid(const uint8_t* data, size_t length) {
    constexpr uint8_t kIntegritySignature = 0xA5;
    orbByteView identify(data, length);
    if (identify.size() < kAtaSectorSize || identify[510] != kIntegritySignature) {
        return true;
    }
    uint8_t sum = 0;
    for (size_t i = 0; i < kAtaSectorSize; ++i) {
        sum = static_cast<uint8_t>(sum + identify[i]);
    }
    return sum == 0;
}

int orb_parse_identify_device(const uint8_t* data, size_t length, _ORB_ATA_IDENTIFY_INFO* info) {
    orbByteView identify(data, length);
    if (identify.size() < kAtaSectorSize) {
        return ORB_SCSI_SHORT_DATA;
    }
    if (info == nullptr) {
        return 0;
    }
    std::memset(info, 0, sizeof(*info));
    trimmedString(info->serialNumber, sizeof(info->serialNumber), identify, 10, 10);
    trimmedString(info->firmwareRevision, sizeof(info->firmwareRevision), identify, 23, 4);
    trimmedString(info->modelNumber, sizeof(info->modelNumber), identify, 27, 20);
    info->capabilities = identify.le16(49 * 2);
    info->majorVersion = identify.le16(80 * 2);
    info->commandSets = identify.le16(82 * 2);
    info->rotationRate = identify.le16(217 * 2);
    constexpr uint16_t kLba48Supported = 1u << 10;  // word 83
    if ((identify.le16(83 * 2) & kLba48Supported) != 0) {
        info->sectors = (static_cast<unsigned long long>(identify.le32(102 * 2)) << 32) |
                        identify.le32(100 * 2);
    } else {
        info->sectors = identify.le32(60 * 2);
    }
    return 0;
}

int orb_parse_identify_firmware(const uint8_t* data, size_t length, char* dst, size_t dstSize) {
    constexpr size_t kFirmwareEnd = 27 * 2;  // words 23-26 end before byte 54
    if (length < kFirmwareEnd) {
        return ORB_SCSI_SHORT_DATA;
    }
    return trimmedString(dst, dstSize, orbByteView(data, length), 23, 4) ? 0 : ORB_SCSI_WRONG_PAGE;
}

bool orb_parse_device_statistic(const uint8_t* data, size_t length, uint8_t pageNumber,
                                size_t offset, unsigned long long* value) {
    orbByteView page(data, length);
    if (page.size() < 8 || offset < 8 || offset > page.size() - 8) {
        return false;
    }
    if ((page[0] == 0 && page[1] == 0) || page[2] != pageNumber) {
        return false;
    }
    uint8_t flags = page[offset + 7];
    if ((flags & (kSupportedFlag | kValidFlag)) != (kSupportedFlag | kValidFlag)) {
        return false;
    }
    if (value != nullptr) {
        *value = (static_cast<unsigned long long>(page.le16(offset + 4)) << 32) | page.le32(offset);
    }
    return true;
}

int orb_parse_ext_error_log(const uint8_t* data, size_t length) {
    orbByteView log(data, length);
    if (log.size() < 4) {
        return ORB_SCSI_SHORT_DATA;
    }
    if (log[0] != 1) {
        return ORB_SCSI_WRONG_PAGE;
    }
    return log.le16(2);
}

}  // extern "C"
