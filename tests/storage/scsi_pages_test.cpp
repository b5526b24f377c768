// Page decoders fed hand-made replies the simulated drives never send, each in a heap buffer
// of exactly its size so that a read past the reply is caught.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/owned_resources.h"
#include "storage/ata_pages.h"
#include "storage/scsi_pages.h"
#include "storage/scsi_queries.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Decoder = std::function<long long(const uint8_t*, size_t)>;

long long textLength(char* raw) {
    orbMallocText text(raw);
    return text ? static_cast<long long>(std::string(text.get()).size()) : -100;
}

Bytes statistic(uint8_t page, size_t offset, uint8_t value, uint8_t flags, size_t size = 512) {
    Bytes bytes(512, 0);
    bytes[0] = 1;
    bytes[2] = page;
    bytes[offset] = value;
    bytes[offset + 7] = flags;
    bytes.resize(size);
    return bytes;
}

long long current(const uint8_t* p, size_t n) {
    int value = 0;
    return sata_parse_current(p, n, &value) ? value : -100;
}

long long durable(const uint8_t* p, size_t n) {
    orbMallocText name(orb_parse_device_identification_page(p, n));
    return name ? static_cast<long long>(name.get()[0]) : -100;  // 'n'aa, 'e'ui, 't'10
}

TEST(PageDecoders, HandMadeReplies) {
    struct Case {
        const char* name;
        Decoder decode;
        Bytes reply;
        long long expected;
    };
    const Bytes ie = {0x2F, 0, 0, 12, 0, 0, 3, 8, 0x5D, 0x10, 0xFF, 60, 0, 0, 0, 0};
    const Case cases[] = {
        {"IE temperature FFh", orb_parse_ie_temperature, ie, -1},
        {"IE page length hides the fields",
         orb_parse_ie_health,
         {0x2F, 0, 0, 4, 0, 0, 3, 8, 0x5D, 0x10, 30, 60},
         ORB_SCSI_SHORT_DATA},
        {"protocol page length 0",
         orb_parse_protocol_port_page,
         {7, 0, 0x10, 0, 0x19, 0, 0x06, 0},
         ORB_SCSI_WRONG_PAGE},
        {"block descriptor despite DBD",
         orb_parse_protocol_port_page,
         {19, 0, 0x10, 8, 0, 0, 0, 0, 0, 0, 2, 0, 0x19, 6, 0x06, 0, 0x07, 0xD0, 0, 0},
         6},
        {"SSD page length not 8",
         orb_parse_ssd_media_page,
         {0x11, 0, 0, 6, 0, 1, 3, 4, 0, 0, 0, 37},
         255},
        {"serial length beyond the reply",
         [](const uint8_t* p, size_t n) { return textLength(orb_parse_unit_serial_page(p, n)); },
         {0, 0x80, 0, 0xFF, 'A', 'B', 'C'},
         3},
        {"inquiry additional length 51",
         [](const uint8_t* p, size_t n) { return textLength(orb_parse_inquiry_serial(p, n)); },
         [] {
             Bytes b(96, 'S');
             b[4] = 51;
             return b;
         }(),
         -100},
        {"statistic supported and valid", current, statistic(5, 8, 0xF6, 0xC0), -10},
        {"statistic supported only", current, statistic(5, 8, 40, 0x80), -100},
        {"statistic flags beyond nine bytes", current, statistic(5, 8, 40, 0xC0, 9), -100},
        {"NAA of the logical unit after a port NAA",
         durable,
         {0, 0x83, 0,    24,   0x61, 0x93, 0, 8, 1, 2, 3, 4, 5, 6,
          7, 8,    0x01, 0x03, 0,    8,    1, 2, 3, 4, 5, 6, 7, 8},
         'n'},
        {"descriptor running past the page",
         durable,
         {0, 0x83, 0, 16, 0x02, 0x01, 0, 4, 'A', 'T', 'A', ' ', 0x01, 0x03, 0, 0x40, 0x50, 0},
         't'},
        {"IDENTIFY checksum that does not add up",
         [](const uint8_t* p, size_t n) {
             _ORB_ATA_IDENTIFY_INFO info;
             return orb_parse_identify_device(p, n, &info);
         },
         [] {
             Bytes b(512, 0);
             b[510] = 0xA5;
             b[511] = 1;
             return b;
         }(),
         ORB_SCSI_WRONG_PAGE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes exact(c.reply);
        EXPECT_EQ(c.decode(exact.data(), exact.size()), c.expected);
    }
}

TEST(PageDecoders, AtaStringsStayInsideBothBuffers) {
    Bytes identify(512, 0);
    identify[54] = 'N';  // word 27 holds "IN" in ATA order
    identify[55] = 'I';
    char dst[41];
    EXPECT_TRUE(get_ata_string(dst, sizeof(dst), identify.data(), identify.size(), 27, 20));
    EXPECT_EQ(std::string(dst, 2), "IN");
    EXPECT_FALSE(get_ata_string(dst, 40, identify.data(), identify.size(), 27, 20));  // no room
    EXPECT_STREQ(dst, "");
    EXPECT_FALSE(get_ata_string(dst, sizeof(dst), identify.data(), identify.size(), 250, 10));
}

}  // namespace
