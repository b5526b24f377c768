// Page decoders fed hand-made replies, each in a heap buffer of exactly its size so that a
// read past the reply is caught.
#include <gtest/gtest.h>

#include "host/owned_resources.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "storage/ata_pages.h"
#include "storage/scsi_pages.h"
#include "storage/scsi_queries.h"

namespace {

using Bytes = std::vector<uint8_t>;

using Text = orbMallocText;

std::string text(char* raw) {
    Text owned(raw);
    return owned ? std::string(owned.get()) : std::string("(null)");
}

Bytes iePage(uint8_t asc, uint8_t ascq, uint8_t temperature) {
    return {0x2F, 0, 0, 12, 0, 0, 0x03, 8, asc, ascq, temperature, 60, 0, 0, 0, 0};
}

TEST(LogPages, InformationalExceptions) {
    Bytes failing = iePage(0x5D, 0x10, 41);
    EXPECT_EQ(orb_parse_ie_health(failing.data(), failing.size()), 0x5D10);
    EXPECT_EQ(orb_parse_ie_temperature(failing.data(), failing.size()), 41);
    Bytes noReading = iePage(0, 0, 0xFF);
    EXPECT_EQ(orb_parse_ie_temperature(noReading.data(), noReading.size()), -1);
    Bytes otherPage = iePage(0, 0, 30);
    otherPage[0] = 0x0D;
    EXPECT_EQ(orb_parse_ie_health(otherPage.data(), otherPage.size()), ORB_SCSI_WRONG_PAGE);
    EXPECT_EQ(orb_parse_ie_temperature(otherPage.data(), otherPage.size()), ORB_SCSI_WRONG_PAGE);
    // The page's own length says the exception fields are not part of it.
    Bytes headerOnly = iePage(0x5D, 0x10, 41);
    headerOnly[3] = 4;
    EXPECT_EQ(orb_parse_ie_health(headerOnly.data(), headerOnly.size()), ORB_SCSI_SHORT_DATA);
    Bytes cut(failing.begin(), failing.begin() + 10);
    EXPECT_EQ(orb_parse_ie_health(cut.data(), cut.size()), 0x5D10);
    EXPECT_EQ(orb_parse_ie_temperature(cut.data(), cut.size()), ORB_SCSI_SHORT_DATA);
}

TEST(LogPages, TemperatureParametersStayInsideThePage) {
    struct Case {
        const char* name;
        Bytes page;
        int current;
        int reference;
    };
    const Case cases[] = {
        {"both parameters", {0x0D, 0, 0, 12, 0, 0, 3, 2, 0, 38, 0, 1, 3, 2, 0, 65}, 38, 65},
        {"current only", {0x0D, 0, 0, 6, 0, 0, 3, 2, 0, 38}, 38, 0},
        {"no parameters", {0x0D, 0, 0, 0}, 0, 0},
        {"page length shorter than the bytes",
         {0x0D, 0, 0, 6, 0, 0, 3, 2, 0, 38, 0, 1, 3, 2, 0, 65},
         38,
         0},
        {"parameters in other order", {0x0D, 0, 0, 12, 0, 1, 3, 2, 0, 65, 0, 0, 3, 2, 0, 38}, 0, 0},
        {"below zero", {0x0D, 0, 0, 12, 0, 0, 3, 2, 0, 0xF6, 0, 1, 3, 2, 0, 65}, -10, 65},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int current = 99;
        int reference = 99;
        ASSERT_EQ(orb_parse_temperature_page(c.page.data(), c.page.size(), &current, &reference),
                  0);
        EXPECT_EQ(current, c.current);
        EXPECT_EQ(reference, c.reference);
    }
    Bytes wrong = {0x2F, 0, 0, 12, 0, 0, 3, 8, 0, 0, 30, 60, 0, 0, 0, 0};
    EXPECT_EQ(orb_parse_temperature_page(wrong.data(), wrong.size(), nullptr, nullptr),
              ORB_SCSI_WRONG_PAGE);
    EXPECT_EQ(sas_parse_current(nullptr), 0);
    EXPECT_EQ(sas_parse_mcot(nullptr), 0);
}

TEST(LogPages, MalformedSolidStateMediaPageGivesWear255) {
    struct Case {
        const char* name;
        Bytes page;
        int wear;
    };
    const Case cases[] = {
        {"well-formed", {0x11, 0, 0, 8, 0, 1, 3, 4, 0, 0, 0, 37}, 37},
        {"page length not 8", {0x11, 0, 0, 6, 0, 1, 3, 4, 0, 0, 0, 37}, 255},
        {"other page", {0x2F, 0, 0, 8, 0, 1, 3, 4, 0, 0, 0, 37}, 255},
        {"other parameter", {0x11, 0, 0, 8, 0, 2, 3, 4, 0, 0, 0, 37}, 255},
        {"too short", {0x11, 0, 0, 8, 0, 1, 3, 4, 0, 0, 0}, ORB_SCSI_SHORT_DATA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(orb_parse_ssd_media_page(c.page.data(), c.page.size()), c.wear);
    }
}

TEST(ModePages, ProtocolPortPage) {
    struct Case {
        const char* name;
        Bytes data;
        int protocol;
    };
    const Case cases[] = {
        {"SAS", {11, 0, 0x10, 0, 0x19, 6, 0x06, 0, 0x07, 0xD0, 0, 0}, 6},
        {"PS bit set", {11, 0, 0x10, 0, 0x99, 6, 0x08, 0, 0x07, 0xD0, 0, 0}, 8},
        {"page length 0", {7, 0, 0x10, 0, 0x19, 0, 0x06, 0}, ORB_SCSI_WRONG_PAGE},
        {"other page", {11, 0, 0x10, 0, 0x1C, 6, 0x06, 0, 0, 0, 0, 0}, ORB_SCSI_WRONG_PAGE},
        {"block descriptor despite DBD",
         {19, 0, 0x10, 8, 0, 0, 0, 0, 0, 0, 2, 0, 0x19, 6, 0x06, 0, 0x07, 0xD0, 0, 0},
         6},
        {"block descriptors past the data",
         {11, 0, 0x10, 0xF8, 0x19, 6, 0x06, 0, 0, 0, 0, 0},
         ORB_SCSI_SHORT_DATA},
        {"six bytes", {5, 0, 0x10, 0, 0x19, 6}, ORB_SCSI_SHORT_DATA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(orb_parse_protocol_port_page(c.data.data(), c.data.size()), c.protocol);
    }
}

TEST(VpdPages, UnitSerialNumberCopiesOnlyWhatArrived) {
    struct Case {
        const char* name;
        Bytes page;
        const char* serial;
    };
    const Case cases[] = {
        {"exact", {0, 0x80, 0, 4, 'A', 'B', 'C', 'D'}, "ABCD"},
        {"length claims more than arrived", {0, 0x80, 0, 0xFF, 'A', 'B', 'C'}, "ABC"},
        {"length shorter than the bytes", {0, 0x80, 0, 2, 'A', 'B', 'C', 'D'}, "AB"},
        {"embedded terminator", {0, 0x80, 0, 4, 'A', 0, 'C', 'D'}, "A"},
        {"other page", {0, 0x83, 0, 4, 'A', 'B', 'C', 'D'}, "(null)"},
        {"header only", {0, 0x80, 0, 4}, "(null)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text(orb_parse_unit_serial_page(c.page.data(), c.page.size())), c.serial);
    }
}

TEST(VpdPages, DurableNameFromDeviceIdentification) {
    const Bytes naa = {0x01, 0x03, 0x00, 0x08, 0x50, 0x00, 0xC5, 0x00, 0xA1, 0xB2, 0xC3, 0xD4};
    const Bytes portNaa = {0x61, 0x93, 0x00, 0x08, 0x50, 0x00, 0xC5, 0x00, 0xA1, 0xB2, 0xC3, 0xD5};
    const Bytes eui = {0x01, 0x02, 0x00, 0x08, 0x00, 0x25, 0x38, 0x00, 0x00, 0x00, 0x00, 0x01};
    const Bytes t10 = {0x02, 0x01, 0x00, 0x06, 'A', 'T', 'A', ' ', 'X', 'Y'};
    auto page = [](std::vector<Bytes> descriptors, int extraLength = 0) {
        Bytes out = {0x00, 0x83, 0, 0};
        for (const Bytes& d : descriptors) {
            out.insert(out.end(), d.begin(), d.end());
        }
        size_t length = out.size() - 4 + static_cast<size_t>(extraLength);
        out[2] = static_cast<uint8_t>(length >> 8);
        out[3] = static_cast<uint8_t>(length);
        return out;
    };
    struct Case {
        const char* name;
        Bytes data;
        const char* durable;
    };
    Bytes runsPast = page({t10, {0x01, 0x03, 0x00, 0x40, 0x50, 0x00}});
    const Case cases[] = {
        {"port designator first", page({portNaa, naa}), "naa.5000c500a1b2c3d4"},
        {"EUI-64 when no NAA", page({t10, eui}), "eui.0025380000000001"},
        {"T10 vendor ID last", page({t10}), "t10.ATA XY"},
        {"only a port designator", page({portNaa}), "(null)"},
        {"page length claims more", page({naa}, 200), "naa.5000c500a1b2c3d4"},
        {"descriptor runs past the page", runsPast, "t10.ATA XY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text(orb_parse_device_identification_page(c.data.data(), c.data.size())),
                  c.durable);
    }
}

TEST(InquiryData, SerialAndFieldsNeedTheirBytes) {
    Bytes inquiry(96, ' ');
    inquiry[0] = 0x00;
    inquiry[4] = 91;
    std::string serial = "WFK1A2B3            ";
    std::copy(serial.begin(), serial.end(), inquiry.begin() + 36);
    EXPECT_EQ(text(orb_parse_inquiry_serial(inquiry.data(), inquiry.size())), serial);
    Bytes short55(inquiry.begin(), inquiry.begin() + 55);
    EXPECT_EQ(text(orb_parse_inquiry_serial(short55.data(), short55.size())), "(null)");
    inquiry[4] = 51;
    EXPECT_EQ(text(orb_parse_inquiry_serial(inquiry.data(), inquiry.size())), "(null)");

    Bytes standard(36, ' ');
    standard[0] = 0x0D;  // enclosure services device
    standard[4] = 31;
    EXPECT_EQ(inq_parse_type(standard.data(), standard.size()), 0x0D);
    EXPECT_EQ(text(inq_parse_rev(standard.data(), standard.size())), "    ");
    standard[4] = 27;  // the drive says its data ends before the revision
    EXPECT_EQ(text(inq_parse_rev(standard.data(), standard.size())), "(null)");
    EXPECT_EQ(text(inq_parse_prodID(standard.data(), standard.size())), "                ");
    Bytes five = {0, 0, 6, 0x12, 91};
    EXPECT_EQ(text(inq_parse_vendor(five.data(), five.size())), "(null)");
}

TEST(CapacityData, ReadCapacityReplies) {
    unsigned long long blocks = 0;
    unsigned length = 0;
    Bytes small = {0x00, 0x0F, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00};
    EXPECT_EQ(orb_parse_read_capacity10(small.data(), small.size(), &blocks, &length), 0);
    EXPECT_EQ(blocks, 0x100000ull);
    EXPECT_EQ(length, 512u);
    Bytes large = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00};
    EXPECT_EQ(orb_parse_read_capacity10(large.data(), large.size(), &blocks, &length), 1);
    Bytes allOnes(32, 0xFF);
    EXPECT_EQ(orb_parse_read_capacity16(allOnes.data(), allOnes.size(), &blocks, &length),
              ORB_SCSI_WRONG_PAGE);
}

Bytes statisticsPage(uint8_t number, size_t offset, uint8_t value, uint8_t flags) {
    Bytes page(512, 0);
    page[0] = 1;
    page[2] = number;
    page[offset] = value;
    page[offset + 7] = flags;
    return page;
}

TEST(DeviceStatistics, ValueCountsOnlyWhenSupportedAndValid) {
    struct Case {
        const char* name;
        Bytes page;
        size_t length;
        bool parsed;
        int value;
    };
    Bytes revisionZero = statisticsPage(5, 8, 40, 0xC0);
    revisionZero[0] = 0;
    const Case cases[] = {
        {"supported and valid", statisticsPage(5, 8, 40, 0xC0), 512, true, 40},
        {"below zero", statisticsPage(5, 8, 0xF6, 0xC0), 512, true, -10},
        {"supported only", statisticsPage(5, 8, 40, 0x80), 512, false, 0},
        {"valid only", statisticsPage(5, 8, 40, 0x40), 512, false, 0},
        {"other page", statisticsPage(7, 8, 40, 0xC0), 512, false, 0},
        {"revision zero", revisionZero, 512, false, 0},
        {"nine bytes, flags missing", statisticsPage(5, 8, 40, 0xC0), 9, false, 0},
        {"sixteen bytes", statisticsPage(5, 8, 40, 0xC0), 16, true, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes exact(c.page.begin(), c.page.begin() + c.length);
        int value = 0;
        EXPECT_EQ(sata_parse_current(exact.data(), exact.size(), &value), c.parsed);
        if (c.parsed) {
            EXPECT_EQ(value, c.value);
        }
    }
    Bytes maximum = statisticsPage(5, 88, 70, 0xC0);
    int value = 0;
    EXPECT_TRUE(sata_parse_mcot(maximum.data(), maximum.size(), &value));
    EXPECT_EQ(value, 70);
    Bytes cut(maximum.begin(), maximum.begin() + 95);
    EXPECT_FALSE(sata_parse_mcot(cut.data(), cut.size(), &value));
}

TEST(AtaIdentify, StringsChecksumAndBounds) {
    Bytes identify(512, 0);
    const std::string model = "INTEL SSDSC2KG480G8                     ";
    for (size_t i = 0; i < 40; i += 2) {
        identify[54 + i] = static_cast<uint8_t>(model[i + 1]);
        identify[54 + i + 1] = static_cast<uint8_t>(model[i]);
    }
    identify[217 * 2] = 1;
    _ORB_ATA_IDENTIFY_INFO info;
    ASSERT_EQ(orb_parse_identify_device(identify.data(), identify.size(), &info), 0);
    EXPECT_STREQ(info.modelNumber, "INTEL SSDSC2KG480G8");
    EXPECT_EQ(info.rotationRate, 1);

    identify[510] = 0xA5;  // an integrity word whose checksum does not add up
    EXPECT_EQ(orb_parse_identify_device(identify.data(), identify.size(), &info),
              ORB_SCSI_WRONG_PAGE);
    Bytes half(identify.begin(), identify.begin() + 256);
    EXPECT_EQ(orb_parse_identify_device(half.data(), half.size(), &info), ORB_SCSI_SHORT_DATA);

    char dst[41];
    EXPECT_TRUE(get_ata_string(dst, sizeof(dst), identify.data(), identify.size(), 27, 20));
    EXPECT_EQ(std::string(dst), model);
    EXPECT_FALSE(get_ata_string(dst, 40, identify.data(), identify.size(), 27, 20));  // no room
    EXPECT_STREQ(dst, "");
    EXPECT_FALSE(get_ata_string(dst, sizeof(dst), identify.data(), identify.size(), 250, 10));
    EXPECT_FALSE(get_ata_string(dst, sizeof(dst), identify.data(), 60, 27, 20));

    char firmware[9];
    Bytes firstBytes(identify.begin(), identify.begin() + 53);
    EXPECT_EQ(orb_parse_identify_firmware(firstBytes.data(), firstBytes.size(), firmware,
                                          sizeof(firmware)),
              ORB_SCSI_SHORT_DATA);
}

TEST(AtaLogs, ComprehensiveErrorLogVersionAndIndex) {
    Bytes log(512, 0);
    log[0] = 1;
    log[2] = 3;
    EXPECT_EQ(orb_parse_ext_error_log(log.data(), log.size()), 3);
    log[0] = 2;
    EXPECT_EQ(orb_parse_ext_error_log(log.data(), log.size()), ORB_SCSI_WRONG_PAGE);
    EXPECT_EQ(orb_parse_ext_error_log(log.data(), 3), ORB_SCSI_SHORT_DATA);
}

}  // namespace
