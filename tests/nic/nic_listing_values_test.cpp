#include "nic/nic_listing_values.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NICListingValues, PciIdsSpeedsAndFirmwareLines) {
    struct Id {
        const char* text;
        unsigned value;
    };
    const Id ids[] = {{"0x14e4", 0x14e4}, {"14E4", 0x14e4}, {"0x", 0},
                      {"0x14e4 ", 0},     {"0x114e4", 0},   {"-1", 0}};
    for (const Id& id : ids) {
        EXPECT_EQ(nic_pci_id_value(id.text), id.value) << id.text;
    }

    struct Speed {
        const char* text;
        bool ok;
        int speed;
    };
    const Speed speeds[] = {{"25000", true, 25000},
                            {"-100", true, 0},
                            {"100x", false, 7},
                            {"99999999999", false, 7},
                            {"2147483647", true, 2147483647}};
    for (const Speed& s : speeds) {
        int speed = 7;
        EXPECT_EQ(nic_parse_speed(s.text, speed), s.ok) << s.text;
        EXPECT_EQ(speed, s.speed) << s.text;
    }

    struct Firmware {
        const char* line;
        bool ok;
        const char* value;
    };
    const Firmware lines[] = {
        {"         Firmware Version: 225.0.145.0/pkg 225.1.111.0\n", true,
         "225.0.145.0/pkg 225.1.111.0"},
        {"Firmware Version:\n", true, ""},
        {"Firmware Version 1.0\n", false, "unchanged"},
    };
    for (const Firmware& f : lines) {
        std::string out = "unchanged";
        EXPECT_EQ(nic_firmware_from_line(f.line, out), f.ok) << f.line;
        EXPECT_EQ(out, f.value) << f.line;
    }
}

}  // namespace
