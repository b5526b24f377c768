#include "storage/storage_utils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t id(uint16_t high, uint16_t low) {
    return static_cast<uint32_t>(high) << 16 | low;
}

TEST(StorageUtils, ControllerModelsMatchTheFirstFittingRow) {
    struct Case {
        uint32_t chipset;
        uint32_t board;
        uint8_t mask;
        const char* model;  // nullptr: not supported
        uint8_t family;
        const char* partNumber;  // "" when the board has none
    };
    const Case cases[] = {
        // A specific board before the row for any board of its chipset.
        {id(0x028F, 0x9005), id(0x0804, 0x9005), 0, "Adaptec SmartRAID 3154-8e Controller", 4,
         "VX-RAID-3154-8E"},
        {id(0x028F, 0x9005), id(0x0999, 0x9005), 0,
         "Adaptec Smart Storage PQI 12G SAS/PCIe 3 Controller", 4, ""},
        {id(0x2826, 0x8086), id(0x1234, 0x8086), 1,
         "Intel C600/X79 series chipset SATA RAID Controller", 1, ""},
        // Another family's mask, and boards nobody lists (a plain SAS3008 HBA).
        {id(0x2826, 0x8086), 0, 2, nullptr, 0, ""},
        {id(0x0097, 0x1000), id(0x3090, 0x1000), 0, nullptr, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.chipset << " " << c.board);
        std::string model = "stale";
        uint8_t family = 0xFF;
        EXPECT_EQ(getStorageControllerModel(c.chipset, c.board, c.mask, model, family),
                  c.model != nullptr);
        EXPECT_EQ(model, c.model != nullptr ? c.model : "");
        EXPECT_EQ(family, c.family);
        std::string partNumber = "stale";
        EXPECT_EQ(getHBAPartNumber(c.chipset, c.board, partNumber), c.partNumber[0] != '\0');
        EXPECT_EQ(partNumber, c.partNumber);
    }

    std::string text;
    EXPECT_TRUE(getDiskPartNumber(" ST1200MM0009 ", text));  // inquiry models come padded
    EXPECT_EQ(text, "VX-HDD-1T2-10K-SAS");
    EXPECT_FALSE(getDiskPartNumber("UNKNOWN DRIVE", text));
    EXPECT_EQ(text, "");
}

TEST(StorageUtils, PciLocationIsTheFirstComponentShapedLikeAnAddress) {
    struct Case {
        const char* path;
        const char* found;  // the component found, up to the next '/'; nullptr for none
    };
    const Case cases[] = {
        {"../../devices/pci0000:00/0000:00:1f.2/host0", "0000:00:1f.2"},
        {"/sys/devices/pci0000:3a/0000:3a:00.0/0000:3b:00.0/host8", "0000:3a:00.0"},
        {"../../devices/3b:00.0/host2", "3b:00.0"},
        {"../../devices/pci0000:00/host0", nullptr},
        {"0000:00:1f.2/host0", nullptr},  // a component counts only after a '/'
        {"/0000:0g:1f.2/", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const char* found = strstr_pcilocation(c.path);
        if (c.found == nullptr) {
            EXPECT_EQ(found, nullptr);
        } else {
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(std::string(found, std::strcspn(found, "/")), c.found);
        }
    }
    EXPECT_EQ(strstr_pcilocation(nullptr), nullptr);
}

TEST(StorageUtils, TextAndNumberHelpers) {
    char text[] = " \t Adaptec 3154 \n";
    trim_surrounding_whitespace(text);
    EXPECT_STREQ(text, "Adaptec 3154");
    char blank[] = "   ";
    trim_surrounding_whitespace(blank);
    EXPECT_STREQ(blank, "");

    int value = 7;
    EXPECT_TRUE(string_to_int("-42", value));
    EXPECT_EQ(value, -42);
    for (const char* bad : {"", " 1", "12a", "99999999999"}) {
        EXPECT_FALSE(string_to_int(bad, value)) << bad;
    }
    EXPECT_EQ(value, -42);

    EXPECT_EQ(compute_gcd(-12, 18), 6);
    EXPECT_EQ(compute_gcd(0, 0), 0);
    EXPECT_EQ(compute_gcd(LONG_MIN, 6), 2);
}

}  // namespace
