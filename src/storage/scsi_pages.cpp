#include "storage/scsi_pages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "storage/byte_view.h"
#include "storage/scsi_completion.h"

namespace {

constexpr uint8_t kPageCodeMask = 0x3F;  // log and mode page codes; the top bits are flags

// A log page: 4-byte header, page code in byte 0, page length in bytes 2-3.
orbByteView logPage(const uint8_t* data, size_t length) {
    orbByteView view(data, length);
    return view.size() >= 4 ? view.prefix(4 + view.be16(2)) : view;
}

// A VPD page: page code in byte 1, page length in bytes 2-3.
orbByteView vpdPage(const uint8_t* data, size_t length) {
    return logPage(data, length);
}

// The first mode page behind a MODE SENSE (6) header (mode data length in byte 0, block
// descriptor length in byte 3) or a MODE SENSE (10) header (bytes 0-1 and 6-7). The page runs
// to the end of the mode data.
orbByteView modePage(const uint8_t* data, size_t length, bool tenByteHeader) {
    orbByteView all(data, length);
    size_t headerSize = tenByteHeader ? 8 : 4;
    if (all.size() < headerSize) {
        return orbByteView();
    }
    size_t dataLength = tenByteHeader ? all.be16(0) + 2u : all[0] + 1u;
    size_t descriptors = tenByteHeader ? all.be16(6) : all[3];
    return all.prefix(dataLength).from(headerSize + descriptors);
}

char* copyText(orbByteView field) {
    char* text = static_cast<char*>(std::malloc(field.size() + 1));
    if (text == nullptr) {
        return nullptr;
    }
    if (field.size() > 0) {
        std::memcpy(text, field.data(), field.size());
    }
    text[field.size()] = '\0';
    return text;
}

char* copyString(const std::string& text) {
    return copyText(orbByteView(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string hexText(orbByteView bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace

extern "C" {

int orb_parse_ie_health(const uint8_t* data, size_t length) {
    orbByteView page = logPage(data, length);
    if (page.size() >= 1 && (page[0] & kPageCodeMask) != 0x2F) {
        return ORB_SCSI_WRONG_PAGE;
    }
    if (page.size() < 10) {
        return ORB_SCSI_SHORT_DATA;
    }
    return (page[8] << 8) + page[9];
}

int orb_parse_ie_temperature(const uint8_t* data, size_t length) {
    orbByteView page = logPage(data, length);
    if (page.size() >= 1 && (page[0] & kPageCodeMask) != 0x2F) {
        return ORB_SCSI_WRONG_PAGE;
    }
    if (page.size() < 11) {
        return ORB_SCSI_SHORT_DATA;
    }
    return page[10] == 0xFF ? static_cast<int>(ORB_SCSI_WRONG_PAGE) : page[10];
}

int orb_parse_temperature_page(const uint8_t* data, size_t length, int* current, int* reference) {
    orbByteView page = logPage(data, length);
    if (page.size() < 4) {
        return ORB_SCSI_SHORT_DATA;
    }
    if ((page[0] & kPageCodeMask) != 0x0D) {
        return ORB_SCSI_WRONG_PAGE;
    }
    // Fixed layout: parameter 0000h (temperature) ends at byte 9, parameter 0001h (reference
    // temperature) at byte 15; a parameter the page does not reach counts as absent.
    if (current != nullptr) {
        *current = page.size() >= 10 && page.be16(4) == 0x0000 ? static_cast<int8_t>(page[9]) : 0;
    }
    if (reference != nullptr) {
        *reference =
            page.size() >= 16 && page.be16(10) == 0x0001 ? static_cast<int8_t>(page[15]) : 0;
    }
    return 0;
}

int orb_parse_ssd_media_page(const uint8_t* data, size_t length) {
    orbByteView page(data, length);
    if (page.size() < 12) {
        return ORB_SCSI_SHORT_DATA;
    }
    // One parameter, 0001h (percentage used endurance indicator), of four bytes.
    if ((page[0] & kPageCodeMask) != 0x11 || page[3] != 8 || page.be16(4) != 0x0001) {
        return ORB_SCSI_WRONG_PAGE;
    }
    return page[11];
}

long long orb_parse_background_scan_page(const uint8_t* data, size_t length) {
    orbByteView page = logPage(data, length);
    if (page.size() >= 1 && (page[0] & kPageCodeMask) != 0x15) {
        return ORB_SCSI_WRONG_PAGE;
    }
    if (page.size() < 12) {
        return ORB_SCSI_SHORT_DATA;
    }
    if (page.be16(4) != 0x0000) {
        return ORB_SCSI_WRONG_PAGE;
    }
    return static_cast<long long>(page.be32(8));
}

int orb_parse_protocol_port_page(const uint8_t* data, size_t length) {
    if (length < 7) {
        return ORB_SCSI_SHORT_DATA;
    }
    orbByteView page = modePage(data, length, false);
    if (page.size() < 3) {
        return ORB_SCSI_SHORT_DATA;
    }
    if ((page[0] & 0x7F) != 0x19 || page[1] == 0) {
        return ORB_SCSI_WRONG_PAGE;
    }
    return page[2] & 0x0F;
}

int orb_parse_phy_control_page(const uint8_t* data, size_t length, uint8_t* attached,
                               uint8_t* rate) {
    constexpr size_t kFirstPhyDescriptor = 8;
    if (length < 38) {
        return ORB_SCSI_SHORT_DATA;
    }
    orbByteView page = modePage(data, length, true);
    if (page.size() < kFirstPhyDescriptor + 6) {
        return ORB_SCSI_SHORT_DATA;
    }
    // Subpage format (SPF) with subpage 01h.
    if ((page[0] & 0x7F) != (0x40 | 0x19) || page[1] != 0x01) {
        return ORB_SCSI_WRONG_PAGE;
    }
    orbByteView phy = page.from(kFirstPhyDescriptor);
    if (attached != nullptr) {
        *attached = phy[4];
    }
    if (rate != nullptr) {
        *rate = phy[5];
    }
    return phy[5] & 0x0F;
}

int orb_parse_ie_control_page(const uint8_t* data, size_t length, const uint8_t** pageBytes) {
    constexpr uint8_t kDisableExceptions = 0x08;
    orbByteView page = modePage(data, length, false);
    if (page.size() < 4) {
        return ORB_SCSI_SHORT_DATA;
    }
    if ((page[0] & kPageCodeMask) != 0x1C) {
        return ORB_SCSI_WRONG_PAGE;
    }
    if (pageBytes != nullptr) {
        *pageBytes = page.data();
    }
    return (page[2] & kDisableExceptions) == 0 ? 1 : 0;
}

int orb_parse_block_characteristics_page(const uint8_t* data, size_t length) {
    orbByteView page(data, length);
    if (page.size() < 6) {
        return ORB_SCSI_SHORT_DATA;
    }
    if (page[1] != 0xB1 || page.be16(2) <= 1) {
        return ORB_SCSI_WRONG_PAGE;
    }
    return page.be16(4);
}

char* orb_parse_unit_serial_page(const uint8_t* data, size_t length) {
    orbByteView page(data, length);
    if (page.size() < 5 || page[1] != 0x80) {
        return nullptr;
    }
    // The page length is the drive's claim; the serial is what arrived of it.
    return copyText(page.from(4).prefix(page.be16(2)));
}

// The only decoder here that builds C++ texts; C callers get null instead of an exception.
char* orb_parse_device_identification_page(const uint8_t* data, size_t length) try {
    constexpr uint8_t kCodeSetBinary = 1;
    constexpr uint8_t kTypeT10Vendor = 1;
    constexpr uint8_t kTypeEui64 = 2;
    constexpr uint8_t kTypeNaa = 3;
    orbByteView page = vpdPage(data, length);
    if (page.size() < 4 || page[1] != 0x83) {
        return nullptr;
    }
    std::string eui;
    std::string t10;
    orbByteView rest = page.from(4);
    while (rest.size() >= 4) {
        uint8_t codeSet = rest[0] & 0x0F;
        uint8_t association = (rest[1] >> 4) & 0x03;
        uint8_t type = rest[1] & 0x0F;
        orbByteView designator = rest.from(4).prefix(rest[3]);
        if (designator.size() < rest[3]) {
            break;  // the descriptor runs past the page
        }
        rest = rest.from(4 + designator.size());
        if (association != 0) {
            continue;  // a port or target designator, not the logical unit's
        }
        if (type == kTypeNaa && codeSet == kCodeSetBinary && designator.size() > 0) {
            return copyString("naa." + hexText(designator));
        }
        if (type == kTypeEui64 && codeSet == kCodeSetBinary && eui.empty() &&
            designator.size() > 0) {
            eui = "eui." + hexText(designator);
        } else if (type == kTypeT10Vendor && t10.empty() && designator.size() > 0) {
            std::string text(reinterpret_cast<const char*>(designator.data()), designator.size());
            t10 = "t10." + text.substr(0, text.find('\0'));
        }
    }
    if (!eui.empty()) {
        return copyString(eui);
    }
    return t10.empty() ? nullptr : copyString(t10);
} catch (...) {
    return nullptr;
}

char* orb_parse_inquiry_serial(const uint8_t* data, size_t length) {
    orbByteView inquiry(data, length);
    if (inquiry.size() < 56 || inquiry[4] <= 51) {
        return nullptr;
    }
    return copyText(inquiry.from(36).prefix(20));
}

int orb_parse_read_capacity10(const uint8_t* data, size_t length, unsigned long long* blocks,
                              unsigned* blockLength) {
    orbByteView reply(data, length);
    if (reply.size() < 8) {
        return ORB_SCSI_SHORT_DATA;
    }
    uint32_t lastBlock = reply.be32(0);
    if (blocks != nullptr) {
        *blocks = static_cast<unsigned long long>(lastBlock) + 1;
    }
    if (blockLength != nullptr) {
        *blockLength = reply.be32(4);
    }
    return lastBlock == 0xFFFFFFFFu ? 1 : 0;
}

int orb_parse_read_capacity16(const uint8_t* data, size_t length, unsigned long long* blocks,
                              unsigned* blockLength) {
    orbByteView reply(data, length);
    if (reply.size() < 12) {
        return ORB_SCSI_SHORT_DATA;
    }
    unsigned long long lastBlock =
        (static_cast<unsigned long long>(reply.be32(0)) << 32) | reply.be32(4);
    if (lastBlock == ~0ULL) {
        return ORB_SCSI_WRONG_PAGE;  // a count of blocks that does not fit in 64 bits
    }
    if (blocks != nullptr) {
        *blocks = lastBlock + 1;
    }
    if (blockLength != nullptr) {
        *blockLength = reply.be32(8);
    }
    return 0;
}

int orb_parse_defect_list_header(const uint8_t* data, size_t length) {
    orbByteView header(data, length);
    if (header.size() < 4) {
        return ORB_SCSI_SHORT_DATA;
    }
    return header.be16(2);
}

}  // extern "C"
