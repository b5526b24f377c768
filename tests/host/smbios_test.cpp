#include "host/smbios.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim/common/smbios_builder.h"
#include "support/test_environment.h"

namespace {

using orbsim::SmbiosBuilder;
using orbsim::SmbiosFields;

// An image preceded by padding bytes. Kept out of line: GCC 12 at -O3 inlines the copy into
// the test and then warns about offsets it cannot rule out (a false -Warray-bounds).
[[gnu::noinline]] std::vector<uint8_t> withPadding(size_t padding,
                                                   const std::vector<uint8_t>& image) {
    std::vector<uint8_t> bytes(padding, 0xAA);
    bytes.insert(bytes.end(), image.begin(), image.end());
    return bytes;
}

template <typename Record>
std::vector<Record> recordsOf(int type) {
    int count = -1;
    void* records = &count;  // a failure clears both
    if (getSmbiosRecordsByType(type, &records, &count) != 0) {
        EXPECT_EQ(records, nullptr);
        EXPECT_EQ(count, 0);
        return {};
    }
    EXPECT_GT(count, 0);  // no record of the type is a failure, never an empty success
    const Record* first = static_cast<const Record*>(records);
    std::vector<Record> copy(first, first + count);
    free(records);
    return copy;
}

// Replaces the loaded table with these bytes (laid out as the device file is).
int load(const std::vector<uint8_t>& image) {
    SmBiosDeinit();
    return SmBiosInitFromBuffer(image.data(), image.size());
}

template <typename Record>
std::string addressOf(const Record& r) {
    char text[32];
    snprintf(text, sizeof(text), "%04x:%02x:%02x.%x", r.segmentGroupNum, r.busNum,
             r.devFuncNum >> 3, r.devFuncNum & 7);
    return text;
}

// A slot's formatted area after the header, bus 0000:3b:00.0, designation string `number`.
SmbiosFields slotFields(uint8_t number) {
    return SmbiosFields().bytes({number, 0xB5, 0x0B, 4, 4, 1, 0, 0x0C, 1, 0, 0, 0x3b, 0});
}

// One structure with the given formatted area (after the header) and strings.
std::vector<uint8_t> tableWith(uint8_t type, const SmbiosFields& fields,
                               const std::vector<std::string>& strings) {
    SmbiosBuilder builder;
    builder.add(type, fields, strings);
    builder.addEndOfTable();
    return builder.image();
}

TEST(Smbios, NothingIsReadPastTheBytesGiven) {
    auto slot = [](const std::string& designation, bool terminated) {
        SmbiosBuilder one;
        one.add(9, slotFields(1), {designation});
        std::vector<uint8_t> bytes = one.table();
        bytes.resize(bytes.size() - (terminated ? 0 : 2));  // without the double zero
        return bytes;
    };
    // The device-file image of one good slot followed by these raw structures.
    auto image = [&](const std::vector<std::vector<uint8_t>>& tail) {
        SmbiosBuilder builder;
        builder.addRaw(slot("SLOT1", true));
        for (const auto& raw : tail) {
            builder.addRaw(raw);
        }
        return builder.image();
    };
    const std::vector<uint8_t> good = image({{127, 4, 0x22, 0, 0, 0}});
    auto changed = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = good;
        bytes[at] = value;
        return bytes;
    };
    auto after = [&](size_t padding) { return withPadding(padding, good); };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t slots;  // 0: the image is refused
        const char* lastDesignation;
    };
    const Case cases[] = {
        {"whole image", good, 1, "SLOT1"},
        {"anchor on a later 4-byte step", after(8), 1, "SLOT1"},
        {"anchor between 4-byte steps", after(2), 0, ""},
        {"entry point cut short", std::vector<uint8_t>(good.begin(), good.begin() + 20), 0, ""},
        {"table cut short", std::vector<uint8_t>(good.begin(), good.end() - 3), 0, ""},
        {"table length past the bytes read", changed(22, static_cast<uint8_t>(good.size())), 0, ""},
        {"entry point length below its fields", changed(5, 16), 0, ""},
        {"entry point length past the bytes read", changed(5, 0xFF), 0, ""},
        {"strings without terminator at the table end", image({slot("SLOT9", false)}), 2, "SLOT9"},
        {"formatted length past the table end", image({{9, 200, 0x21, 0, 1, 0xB5}}), 1, "SLOT1"},
        {"formatted length below the header", image({{9, 2, 0x21, 0}, slot("S3", true)}), 1,
         "SLOT1"},
        {"header cut short", image({{9, 17}}), 1, "SLOT1"},
        {"structures after the end of table", image({{127, 4, 0x22, 0, 0, 0}, slot("S4", true)}), 1,
         "SLOT1"},
        {"no end-of-table structure", image({slot("SLOT5", true)}), 2, "SLOT5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The loader copies exactly these bytes: a read past them is a read past the allocation.
        EXPECT_EQ(load(c.bytes), c.slots > 0 ? 0 : -1);
        auto slots = recordsOf<DMI_SYSTEM_SLOT>(9);
        ASSERT_EQ(slots.size(), c.slots);
        EXPECT_STREQ(slots.empty() ? "" : slots.back().designation, c.lastDesignation);
    }
    SmBiosDeinit();
    EXPECT_EQ(SmBiosInitFromBuffer(nullptr, 10), -1);
}

TEST(Smbios, SystemInformationFieldsFollowTheFormattedLength) {
    const std::vector<uint8_t> stored = {0x3a, 0x5f, 0x71, 0x8e, 0x2c, 0x41, 0xe8, 0x11,
                                         0x9b, 0x6d, 0x00, 0x1e, 0x67, 0xa4, 0x52, 0x10};
    // time_hi 0xd011 reads as a byte-swapped 0x11d0: the first three fields are swapped.
    const std::vector<uint8_t> swapped = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x11, 0xd0,
                                          0x80, 0x90, 0xa0, 0xb0, 0xc0, 0xd0, 0xe0, 0xf0};
    struct Case {
        uint8_t length;
        std::vector<uint8_t> uuidBytes;
        const char* fields;  // product|uuid|SKU|family
    };
    const Case cases[] = {
        {4, stored, "|||"},
        {8, stored, "VX-R4800||.|"},
        {25, stored, "VX-R4800|8e715f3a-412c-11e8-9b6d-001e67a45210|.|"},
        {27, swapped, "VX-R4800|01020304-0506-11d0-8090-a0b0c0d0e0f0|SKU-2S|PLATFAM-ALPHA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.length));
        orbsim::SmbiosSystemInformation info;
        info.manufacturer = info.version = info.serialNumber = "x";
        info.productName = "VX-R4800";
        info.uuid = c.uuidBytes;
        info.skuNumber = "SKU-2S";
        info.family = "PLATFAM-ALPHA";
        info.formattedLength = c.length < 8 ? 8 : c.length;
        SmbiosBuilder builder;
        builder.addSystemInformation(info);
        std::vector<uint8_t> image = builder.image();
        image[31 + 1] = c.length;  // the structure's header follows the 31-byte entry point
        ASSERT_EQ(load(image), 0);
        auto systems = recordsOf<DMI_SYSTEM_INFO>(1);
        ASSERT_EQ(systems.size(), 1u);
        const DMI_SYSTEM_INFO& s = systems[0];
        EXPECT_EQ(std::string(s.productName) + "|" + s.uuid + "|" + s.skuNumber + "|" + s.family,
                  c.fields);
    }
}

TEST(Smbios, StringsAreLookedUpByNumberAndMadePrintable) {
    const std::string longText(300, 'W');
    struct Case {
        uint8_t number;
        std::vector<std::string> strings;
        std::string designation;
    };
    const Case cases[] = {
        {2, {"SLOT1", "SLOT2"}, "SLOT2"},         {0, {"SLOT1"}, "Undefined"},
        {3, {"SLOT1", "SLOT2"}, "Undefined"},     {1, {"SLOT\t1\xc3\xa9"}, "SLOT.1.."},
        {1, {longText}, longText.substr(0, 127)}, {1, {}, "Undefined"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.designation);
        ASSERT_EQ(load(tableWith(9, slotFields(c.number), c.strings)), 0);
        auto slots = recordsOf<DMI_SYSTEM_SLOT>(9);
        ASSERT_EQ(slots.size(), 1u);
        EXPECT_EQ(slots[0].designation, c.designation);
    }
}

TEST(Smbios, SlotAndDeviceFieldsNeedTheirFormattedLength) {
    const std::vector<uint8_t> slot = {1,    0xB6, 0x0D, 4,    4,    0x02, 0x01,
                                       0x0C, 0x01, 0x01, 0x00, 0x3b, 0x0a};
    // Below 17 the bytes after the formatted area are the designation's text, never a bus.
    for (uint8_t length : {10, 11, 16, 17}) {
        SCOPED_TRACE(static_cast<int>(length));
        std::vector<uint8_t> formatted(slot.begin(), slot.begin() + (length - 4));
        ASSERT_EQ(load(tableWith(9, SmbiosFields().bytes(formatted), {"SLOT"})), 0);
        auto slots = recordsOf<DMI_SYSTEM_SLOT>(9);
        ASSERT_EQ(slots.size(), 1u);
        EXPECT_EQ(slots[0].id, length >= 11 ? 0x0102 : 0);
        EXPECT_EQ(addressOf(slots[0]), length >= 17 ? "0001:3b:01.2" : "0000:00:00.0");
    }

    const std::vector<uint8_t> device = {1, 0x85, 2, 0, 0, 0x18, 0x01};
    for (uint8_t length : {10, 11}) {
        SCOPED_TRACE(static_cast<int>(length));
        std::vector<uint8_t> formatted(device.begin(), device.begin() + (length - 4));
        ASSERT_EQ(load(tableWith(41, SmbiosFields().bytes(formatted), {"Onboard LOM"})), 0);
        auto devices = recordsOf<DMI_ONBOARD_DEVICE_EX>(41);
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0].deviceTypeInstance, 2);
        EXPECT_EQ(addressOf(devices[0]), length >= 11 ? "0000:18:00.1" : "0000:00:00.0");
    }

    DMI_SYSTEM_SLOT record{};
    SMBIOS_STRUCTURE shortView{slot.data(), 3};
    EXPECT_EQ(DmiSystemSlot_Decode(&record, nullptr, 0), -1);
    EXPECT_EQ(DmiSystemSlot_Decode(&record, &shortView, 0), -1);
    EXPECT_EQ(DmiSystemInfo_decode(nullptr, &shortView, 0), -1);
}

TEST(Smbios, SlotPrintStopsAtTheEndOfTheDesignationField) {
    DMI_SYSTEM_SLOT slot{};
    // A record filled by hand without a terminator prints no further than its field.
    std::memset(slot.designation, 'D', sizeof(slot.designation));
    slot.busNum = 0x3b;
    testing::internal::CaptureStdout();
    DmiSystemSlot_Print(&slot, 0);
    DmiSystemSlot_Print(nullptr, 0);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("   designation         : " + std::string(128, 'D') + "\n   type"),
              std::string::npos);
    EXPECT_NE(printed.find("   busNum              : 0x3b\n"), std::string::npos);
}

TEST(Smbios, WalksNeverMeetATableBeingFreed) {
    std::atomic<bool> stop{false};
    std::thread walker([&] {
        while (!stop.load()) {
            size_t slots = recordsOf<DMI_SYSTEM_SLOT>(9).size();
            EXPECT_TRUE(slots == 0 || slots == 8) << slots;
        }
    });
    for (int round = 0; round < 300; ++round) {
        SmBiosDeinit();
        SmBiosInit();
    }
    stop.store(true);
    walker.join();
}

}  // namespace
