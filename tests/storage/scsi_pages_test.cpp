// The completion check and the page decoders fed hand-made replies the simulated drives never
// send, each in a heap buffer of exactly its size so that a read past the reply is caught.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/owned_resources.h"
#include "storage/ata_pages.h"
#include "storage/scsi_completion.h"
#include "storage/scsi_pages.h"
#include "storage/scsi_queries.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes sense(uint8_t first, uint8_t second, uint8_t third, size_t size) {
    Bytes bytes = {first, second, third};
    bytes.resize(size);
    return bytes;
}

TEST(ScsiCompletion, CodesAndTransferredCounts) {
    // A failing case completes with SG_INFO_CHECK: with CHECK CONDITION and DRIVER_SENSE when
    // it has sense bytes, with a host error when it has none.
    const struct {
        const char* name;
        int code;
        size_t transferred;
        int resid;
        Bytes sense = {};
        int senseWritten = -1;  // what the driver claims it wrote, when not the sense's size
    } cases[] = {
        {"clean, residual", 0, 24, 40},
        {"negative residual claims more than the buffer", 0, 64, -64},
        {"residual beyond the buffer", 0, 0, 1000},
        {"fixed with VALID bit, aborted", ORB_SCSI_ABORTED_COMMAND, 0, 64,
         sense(0xF0, 0, 0x0B, 18)},
        {"key beside ILI and EOM", ORB_SCSI_ILLEGAL_REQUEST, 0, 64, sense(0x70, 0, 0x65, 18)},
        {"fixed medium error keeps what arrived", ORB_SCSI_COMMAND_FAILED, 16, 48,
         sense(0x70, 0, 0x03, 18)},
        {"descriptor illegal request", ORB_SCSI_ILLEGAL_REQUEST, 0, 64, sense(0x72, 0x05, 0x24, 8)},
        // Deferred sense tells of an earlier command; this one did not run and may again.
        {"deferred descriptor aborted", ORB_SCSI_COMMAND_FAILED, 0, 64, sense(0x73, 0x0B, 0, 8)},
        {"sense length beyond the sense buffer", ORB_SCSI_ABORTED_COMMAND, 0, 64,
         sense(0x70, 0, 0x0B, 18), 200},
        {"two sense bytes", ORB_SCSI_COMMAND_FAILED, 0, 64, sense(0x72, 0x05, 0, 2)},
        {"unknown sense format", ORB_SCSI_COMMAND_FAILED, 0, 64, sense(0x7F, 0x05, 0x05, 3)},
        {"no SCSI status, transport error", ORB_SCSI_COMMAND_FAILED, 0, 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> data(64);
        unsigned char senseBuffer[32] = {};
        std::copy(c.sense.begin(), c.sense.end(), senseBuffer);
        sg_io_hdr_t hdr;
        std::memset(&hdr, 0, sizeof(hdr));
        hdr.dxferp = data.data();
        hdr.dxfer_len = static_cast<unsigned>(data.size());
        hdr.sbp = senseBuffer;
        hdr.mx_sb_len = sizeof(senseBuffer);
        hdr.info = c.code != 0 ? SG_INFO_CHECK : 0;
        hdr.status = c.sense.empty() ? 0 : 0x02;
        hdr.driver_status = c.sense.empty() ? 0 : 0x08;
        hdr.host_status = c.code != 0 && c.sense.empty() ? 0x07 : 0;
        hdr.sb_len_wr = c.senseWritten >= 0 ? c.senseWritten : c.sense.size();
        hdr.resid = c.resid;
        size_t transferred = 12345;
        EXPECT_EQ(process_scsi_completion(&hdr, &transferred, "test"), c.code);
        EXPECT_EQ(transferred, c.transferred);
    }
}

long long textLength(char* raw) {
    orbMallocText text(raw);
    return text ? static_cast<long long>(std::string(text.get()).size()) : -100;
}

// A reply of `size` bytes, all `fill` but for the bytes given by offset.
Bytes reply(size_t size, std::initializer_list<std::pair<size_t, uint8_t>> set, uint8_t fill = 0) {
    Bytes bytes(size, fill);
    for (const auto& [offset, value] : set) {
        bytes[offset] = value;
    }
    return bytes;
}

// Device Statistics page 5 with its current-temperature value and flags byte.
Bytes statistic(uint8_t value, uint8_t flags, size_t size = 512) {
    Bytes bytes = reply(512, {{0, 1}, {2, 5}, {8, value}, {15, flags}});
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
    const struct {
        const char* name;
        std::function<long long(const uint8_t*, size_t)> decode;
        Bytes reply;
        long long expected;
    } cases[] = {
        {"IE temperature FFh",
         orb_parse_ie_temperature,
         {0x2F, 0, 0, 12, 0, 0, 3, 8, 0x5D, 0x10, 0xFF, 60, 0, 0, 0, 0},
         -1},
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
         ORB_SCSI_WRONG_PAGE},
        {"serial length beyond the reply",
         [](const uint8_t* p, size_t n) { return textLength(orb_parse_unit_serial_page(p, n)); },
         {0, 0x80, 0, 0xFF, 'A', 'B', 'C'},
         3},
        {"inquiry additional length 51",
         [](const uint8_t* p, size_t n) { return textLength(orb_parse_inquiry_serial(p, n)); },
         reply(96, {{4, 51}}, 'S'), -100},
        {"statistic supported and valid", current, statistic(0xF6, 0xC0), -10},
        {"statistic supported only", current, statistic(40, 0x80), -100},
        {"statistic flags beyond nine bytes", current, statistic(40, 0xC0, 9), -100},
        {"NAA of the logical unit after a port NAA",
         durable,
         {0, 0x83, 0,    24,   0x61, 0x93, 0, 8, 1, 2, 3, 4, 5, 6,
          7, 8,    0x01, 0x03, 0,    8,    1, 2, 3, 4, 5, 6, 7, 8},
         'n'},
        {"descriptor running past the page",
         durable,
         {0, 0x83, 0, 16, 0x02, 0x01, 0, 4, 'A', 'T', 'A', ' ', 0x01, 0x03, 0, 0x40, 0x50, 0},
         't'},
        {"IDENTIFY checksum that does not add up", orb_identify_checksum_valid,
         reply(512, {{510, 0xA5}, {511, 1}}), false},
        {"IDENTIFY without integrity word", orb_identify_checksum_valid, reply(512, {{511, 1}}),
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes exact(c.reply);
        EXPECT_EQ(c.decode(exact.data(), exact.size()), c.expected);
    }
}

TEST(PageDecoders, AtaStringsStayInsideBothBuffers) {
    const Bytes identify = reply(512, {{54, 'N'}, {55, 'I'}});  // word 27 holds "IN"
    char dst[42];
    EXPECT_TRUE(get_ata_string_bounded(dst, 41, identify.data(), identify.size(), 27, 20));
    EXPECT_EQ(std::string(dst, 2), "IN");
    EXPECT_FALSE(get_ata_string_bounded(dst, 40, identify.data(), identify.size(), 27, 20));
    EXPECT_STREQ(dst, "");
    EXPECT_FALSE(
        get_ata_string_bounded(dst, sizeof(dst), identify.data(), identify.size(), 250, 10));
    // The plain form writes exactly the words' bytes, and nothing for words past the sector.
    std::memset(dst, 'x', sizeof(dst));
    get_ata_string(dst, identify.data(), 27, 20);
    EXPECT_EQ(std::string(dst, 42), "IN" + std::string(38, '\0') + "xx");
    get_ata_string(dst, identify.data(), 250, 10);
    EXPECT_EQ(dst[0], 'I');
}

}  // namespace
