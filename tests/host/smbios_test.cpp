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

template <typename Record>
std::vector<Record> recordsOf(int type) {
    void* records = nullptr;
    int count = -1;
    if (getSmbiosRecordsByType(type, &records, &count) != 0) {
        EXPECT_EQ(records, nullptr);
        EXPECT_EQ(count, 0);
        return {};
    }
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

std::vector<uint8_t> committedTable(const std::string& host) {
    std::string bytes = orbtest::readFile(
        orbtest::sourcePath("sim/hosts/" + host + "/vmfs/devices/char/mem/smbios"));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::string busAddress(uint16_t segment, uint8_t bus, uint8_t devFunc) {
    char text[32];
    snprintf(text, sizeof(text), "%04x:%02x:%02x.%x", segment, bus, devFunc >> 3, devFunc & 7);
    return text;
}

// One structure with the given formatted area (after the header) and strings.
std::vector<uint8_t> tableWith(uint8_t type, const SmbiosFields& fields,
                               const std::vector<std::string>& strings) {
    SmbiosBuilder builder;
    builder.add(type, fields, strings);
    builder.addEndOfTable();
    return builder.image();
}

TEST(Smbios, DecodesTheSimulatedHostsFirmware) {
    struct Slot {
        const char* designation;
        uint8_t length;
        const char* address;  // nullptr: no bus address in the record
    };
    struct Host {
        const char* name;
        const char* product;
        const char* uuid;
        const char* family;
        std::vector<Slot> slots;
        std::vector<Slot> onboard;
    };
    const Host hosts[] = {
        {"default",
         "VX-R4800 Rack Server",
         "8e715f3a-412c-11e8-9b6d-001e67a45210",
         "PLATFAM-ALPHA",
         {{"PCIe Slot 1 [r001u01p1i01]", 17, "0000:3b:00.0"},
          {"PCIe Slot 2 [r001u01p1i02]", 17, "0000:5e:00.0"},
          {"PCIe Slot 3 [r001u01p2i03]", 17, "0000:86:00.0"},
          {"PCIe Slot 4 [r001u01p2i04]", 17, "0000:af:00.0"},
          {"PCIe Slot 5 [r001u01p3i05]", 17, "0000:d8:00.0"},
          {"PCIe Slot 6 [r001u01p3i06]", 17, nullptr},
          {"OCP Mezzanine [r001u01p0i07]", 13, nullptr}},
         {{"Onboard r001u01p0i00 SATA Controller", 11, "0000:00:17.0"},
          {"Onboard r001u01p0i00 LOM Port 1", 11, "0000:18:00.0"},
          {"Onboard r001u01p0i00 LOM Port 2", 11, "0000:18:00.1"}}},
        {"bravo",
         "VX-R2200 Rack Server",
         "6f2b1d9c-5a83-11ea-a14c-001e67b80f22",
         "PLATFAM-BRAVO",
         {{"SLOT1 r001i01s01", 17, "0000:1a:00.0"},
          {"SLOT2 r001i01s02", 17, "0000:5f:00.0"},
          {"SLOT3 r001i01s03", 17, "0000:86:00.0"},
          {"SLOT4 r001i01s04", 17, nullptr},
          {"M2SLOT r001i01s05", 13, nullptr}},
         {{"Onboard r001i01s00 sSATA Controller", 11, "0000:00:11.5"},
          {"Onboard r001i01s00 LOM Port 1", 11, "0000:3d:00.0"},
          {"Onboard r001i01s00 LOM Port 2", 11, "0000:3d:00.1"}}},
    };
    for (const Host& host : hosts) {
        SCOPED_TRACE(host.name);
        ASSERT_EQ(load(committedTable(host.name)), 0);

        auto systems = recordsOf<DMI_SYSTEM_INFO>(1);
        ASSERT_EQ(systems.size(), 1u);
        EXPECT_EQ(systems[0].length, 27);
        EXPECT_STREQ(systems[0].manufacturer, "Vex Systems Inc.");
        EXPECT_STREQ(systems[0].productName, host.product);
        EXPECT_STREQ(systems[0].uuid, host.uuid);
        EXPECT_EQ(systems[0].wakeUpType, 6);
        EXPECT_STREQ(systems[0].family, host.family);

        auto slots = recordsOf<DMI_SYSTEM_SLOT>(9);
        ASSERT_EQ(slots.size(), host.slots.size());
        for (size_t i = 0; i < slots.size(); ++i) {
            const Slot& want = host.slots[i];
            EXPECT_EQ(slots[i].type, 9);
            EXPECT_EQ(slots[i].length, want.length);
            EXPECT_STREQ(slots[i].designation, want.designation);
            EXPECT_EQ(slots[i].id, i + 1);
            if (want.address != nullptr) {
                EXPECT_EQ(
                    busAddress(slots[i].segmentGroupNum, slots[i].busNum, slots[i].devFuncNum),
                    want.address);
            } else if (want.length == 13) {
                EXPECT_EQ(slots[i].segmentGroupNum | slots[i].busNum | slots[i].devFuncNum, 0);
            } else {
                EXPECT_EQ(slots[i].busNum, 0xFF);
            }
        }

        auto devices = recordsOf<DMI_ONBOARD_DEVICE_EX>(41);
        ASSERT_EQ(devices.size(), host.onboard.size());
        for (size_t i = 0; i < devices.size(); ++i) {
            EXPECT_STREQ(devices[i].referenceDesignation, host.onboard[i].designation);
            EXPECT_EQ(
                busAddress(devices[i].segmentGroupNum, devices[i].busNum, devices[i].devFuncNum),
                host.onboard[i].address);
            EXPECT_EQ(devices[i].deviceType, i == 0 ? 0x09 : 0x05);  // enabled bit removed
        }

        // Memory devices are in the table, but not a type this reader hands out.
        void* records = reinterpret_cast<void*>(1);
        int count = 7;
        EXPECT_EQ(getSmbiosRecordsByType(17, &records, &count), -1);
        EXPECT_EQ(records, nullptr);
        EXPECT_EQ(count, 0);
    }
}

TEST(Smbios, LoadsTheDeviceFileOnceAndAgainAfterDeinit) {
    EXPECT_EQ(getSmbiosRecordsByType(1, nullptr, nullptr), -1);
    EXPECT_TRUE(recordsOf<DMI_SYSTEM_INFO>(1).empty());  // nothing loaded yet
    ASSERT_EQ(SmBiosInit(), 0);
    ASSERT_EQ(SmBiosInit(), 0);
    EXPECT_STREQ(recordsOf<DMI_SYSTEM_INFO>(1).at(0).family, "PLATFAM-ALPHA");

    SmBiosDeinit();
    SmBiosDeinit();
    EXPECT_TRUE(recordsOf<DMI_SYSTEM_INFO>(1).empty());

    std::string device = orbtest::rootPath("/vmfs/devices/char/mem/smbios");
    std::string saved = orbtest::readFile(device);
    ASSERT_EQ(unlink(device.c_str()), 0);
    EXPECT_EQ(SmBiosInit(), -1);
    ASSERT_TRUE(orbtest::writeFile(device, saved.substr(0, saved.size() / 2)));
    EXPECT_EQ(SmBiosInit(), -1);  // the table length runs past the end of the file
    ASSERT_TRUE(orbtest::writeFile(device, saved));
    EXPECT_EQ(SmBiosInit(), 0);
    EXPECT_EQ(recordsOf<DMI_SYSTEM_SLOT>(9).size(), 7u);
}

TEST(Smbios, EntryPointAndTableMustLieInsideTheBytesRead) {
    SmbiosBuilder builder;
    builder.add(1, SmbiosFields().u8(1).u8(0).u8(0).u8(0), {"Vex"});
    builder.addEndOfTable();
    const std::vector<uint8_t> good = builder.image();

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int result;
    };
    std::vector<uint8_t> shifted(8, 0xAA);
    shifted.insert(shifted.end(), good.begin(), good.end());
    std::vector<uint8_t> misaligned(2, 0xAA);
    misaligned.insert(misaligned.end(), good.begin(), good.end());
    std::vector<uint8_t> tooLong = good;
    tooLong[22] = static_cast<uint8_t>(good.size());  // table length past the bytes read
    std::vector<uint8_t> shortEntryPoint = good;
    shortEntryPoint[5] = 16;
    std::vector<uint8_t> entryPointPastEnd = good;
    entryPointPastEnd[5] = 0xFF;
    const Case cases[] = {
        {"whole image", good, 0},
        {"anchor on a later 4-byte step", shifted, 0},
        {"anchor between 4-byte steps", misaligned, -1},
        {"no anchor", std::vector<uint8_t>(64, 0), -1},
        {"anchor only", {'_', 'S', 'M', '_'}, -1},
        {"entry point cut short", std::vector<uint8_t>(good.begin(), good.begin() + 20), -1},
        {"table cut short", std::vector<uint8_t>(good.begin(), good.end() - 3), -1},
        {"table length past the bytes read", tooLong, -1},
        {"entry point length below its fields", shortEntryPoint, -1},
        {"entry point length past the bytes read", entryPointPastEnd, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(load(c.bytes), c.result);
        EXPECT_EQ(recordsOf<DMI_SYSTEM_INFO>(1).size(), c.result == 0 ? 1u : 0u);
    }
    SmBiosDeinit();
    EXPECT_EQ(SmBiosInitFromBuffer(nullptr, 10), -1);
}

TEST(Smbios, DamagedStructuresAreReadOnlyToTheTableEnd) {
    const std::vector<uint8_t> slot = SmbiosFields()
                                          .u8(1)
                                          .u8(0xB5)
                                          .u8(0x0B)
                                          .u8(4)
                                          .u8(4)
                                          .u16(1)
                                          .u8(0)
                                          .u8(0)
                                          .u16(0)
                                          .u8(0x3b)
                                          .u8(0)
                                          .data();
    auto slotBytes = [&](const std::string& designation, bool terminated) {
        std::vector<uint8_t> bytes = {9, 17, 0x20, 0x00};
        bytes.insert(bytes.end(), slot.begin(), slot.end());
        bytes.insert(bytes.end(), designation.begin(), designation.end());
        if (terminated) {
            bytes.insert(bytes.end(), {0, 0});
        }
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<std::vector<uint8_t>> tail;  // raw structures after one good slot
        size_t slots;
        const char* lastDesignation;
    };
    const Case cases[] = {
        {"strings without their terminator at the table end",
         {slotBytes("SLOT9 cut", false)},
         2,
         "SLOT9 cut"},
        {"formatted length past the table end", {{9, 200, 0x21, 0x00, 1, 0xB5}}, 1, "SLOT1"},
        {"formatted length below the header",
         {{9, 2, 0x21, 0x00}, slotBytes("SLOT3", true)},
         1,
         "SLOT1"},
        {"header cut short", {{9, 17}}, 1, "SLOT1"},
        {"structures after the end-of-table structure",
         {{127, 4, 0x22, 0x00, 0, 0}, slotBytes("SLOT4", true)},
         1,
         "SLOT1"},
        {"no end-of-table structure", {slotBytes("SLOT5", true)}, 2, "SLOT5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SmbiosBuilder builder;
        builder.addRaw(slotBytes("SLOT1", true));
        for (const auto& raw : c.tail) {
            builder.addRaw(raw);
        }
        // The loader copies exactly these bytes, so a read past the table end is a read past
        // the allocation.
        ASSERT_EQ(load(builder.image()), 0);
        auto slots = recordsOf<DMI_SYSTEM_SLOT>(9);
        ASSERT_EQ(slots.size(), c.slots);
        EXPECT_STREQ(slots.back().designation, c.lastDesignation);
        EXPECT_EQ(slots.front().busNum, 0x3b);
    }
}

TEST(Smbios, SystemInformationFieldsFollowTheFormattedLength) {
    const std::vector<uint8_t> uuid = {0x3a, 0x5f, 0x71, 0x8e, 0x2c, 0x41, 0xe8, 0x11,
                                       0x9b, 0x6d, 0x00, 0x1e, 0x67, 0xa4, 0x52, 0x10};
    struct Case {
        uint8_t length;
        const char* product;
        const char* uuid;
        const char* sku;
        const char* family;
    };
    const Case cases[] = {
        {4, "", "", "", ""},
        {8, "VX-R4800", "", ".", ""},
        {25, "VX-R4800", "8e715f3a-412c-11e8-9b6d-001e67a45210", ".", ""},
        {27, "VX-R4800", "8e715f3a-412c-11e8-9b6d-001e67a45210", "SKU-2S", "PLATFAM-ALPHA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.length));
        orbsim::SmbiosSystemInformation info;
        info.manufacturer = "Vex Systems Inc.";
        info.productName = "VX-R4800";
        info.version = "A02";
        info.serialNumber = "VX48";
        info.uuid = uuid;
        info.skuNumber = "SKU-2S";
        info.family = "PLATFAM-ALPHA";
        info.formattedLength = c.length < 8 ? 8 : c.length;
        SmbiosBuilder builder;
        builder.addSystemInformation(info);
        std::vector<uint8_t> image = builder.image();
        if (c.length < 8) {
            image[31 + 1] = c.length;  // a header-only structure
        }
        ASSERT_EQ(load(image), 0);
        auto systems = recordsOf<DMI_SYSTEM_INFO>(1);
        ASSERT_EQ(systems.size(), 1u);
        EXPECT_EQ(systems[0].length, c.length);
        EXPECT_STREQ(systems[0].productName, c.product);
        EXPECT_STREQ(systems[0].uuid, c.uuid);
        EXPECT_STREQ(systems[0].skuNumber, c.sku);
        EXPECT_STREQ(systems[0].family, c.family);
    }
}

TEST(Smbios, UuidTextFollowsTheStoredByteOrder) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* text;
    };
    const Case cases[] = {
        // time_hi 0x11e8 lacks the 0xD011 bits: taken as stored (little-endian fields).
        {{0x3a, 0x5f, 0x71, 0x8e, 0x2c, 0x41, 0xe8, 0x11, 0x9b, 0x6d, 0x00, 0x1e, 0x67, 0xa4, 0x52,
          0x10},
         "8e715f3a-412c-11e8-9b6d-001e67a45210"},
        // time_hi 0xd011 reads as a byte-swapped 0x11d0: the three fields are swapped.
        {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x11, 0xd0, 0x80, 0x90, 0xa0, 0xb0, 0xc0, 0xd0, 0xe0,
          0xf0},
         "01020304-0506-11d0-8090-a0b0c0d0e0f0"},
        {std::vector<uint8_t>(16, 0), "00000000-0000-0000-0000-000000000000"},
    };
    for (const Case& c : cases) {
        orbsim::SmbiosSystemInformation info;
        info.manufacturer = info.productName = info.version = info.serialNumber = "x";
        info.skuNumber = info.family = "x";
        info.uuid = c.bytes;
        SmbiosBuilder builder;
        builder.addSystemInformation(info);
        ASSERT_EQ(load(builder.image()), 0);
        EXPECT_STREQ(recordsOf<DMI_SYSTEM_INFO>(1).at(0).uuid, c.text);
    }
}

TEST(Smbios, StringsAreLookedUpByNumberAndMadePrintable) {
    const std::string longText(300, 'W');
    struct Case {
        const char* what;
        uint8_t number;
        std::vector<std::string> strings;
        std::string designation;
    };
    const Case cases[] = {
        {"first string", 1, {"SLOT1", "other"}, "SLOT1"},
        {"second string", 2, {"SLOT1", "SLOT2"}, "SLOT2"},
        {"string number 0", 0, {"SLOT1"}, "Undefined"},
        {"number past the last string", 3, {"SLOT1", "SLOT2"}, "Undefined"},
        {"no strings at all", 1, {}, "Undefined"},
        {"tab and high bytes", 1, {"SLOT\t1\xc3\xa9"}, "SLOT.1.."},
        {"longer than the field", 1, {longText}, longText.substr(0, 127)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(load(tableWith(9,
                                 SmbiosFields()
                                     .u8(c.number)
                                     .u8(0xB5)
                                     .u8(0x0B)
                                     .u8(4)
                                     .u8(4)
                                     .u16(1)
                                     .u8(0)
                                     .u8(0)
                                     .u16(0)
                                     .u8(0x3b)
                                     .u8(0),
                                 c.strings)),
                  0);
        auto slots = recordsOf<DMI_SYSTEM_SLOT>(9);
        ASSERT_EQ(slots.size(), 1u);
        EXPECT_EQ(slots[0].designation, c.designation);
    }
}

TEST(Smbios, SlotAndDeviceFieldsNeedTheirFormattedLength) {
    const std::vector<uint8_t> slot = SmbiosFields()
                                          .u8(1)
                                          .u8(0xB6)
                                          .u8(0x0D)
                                          .u8(4)
                                          .u8(4)
                                          .u16(0x0102)
                                          .u8(0x0C)
                                          .u8(0x01)
                                          .u16(0x0001)
                                          .u8(0x3b)
                                          .u8(0x0a)
                                          .data();
    struct Case {
        uint8_t length;
        uint16_t id;
        const char* address;
    };
    // Below 17 the bytes after the formatted area are the designation's text, never a bus.
    const Case cases[] = {
        {9, 0, "0000:00:00.0"},       {11, 0x0102, "0000:00:00.0"}, {13, 0x0102, "0000:00:00.0"},
        {14, 0x0102, "0000:00:00.0"}, {16, 0x0102, "0000:00:00.0"}, {17, 0x0102, "0001:3b:01.2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.length));
        std::vector<uint8_t> formatted(slot.begin(), slot.begin() + (c.length - 4));
        ASSERT_EQ(load(tableWith(9, SmbiosFields().bytes(formatted), {"SLOT\xff\xff\xff"})), 0);
        auto slots = recordsOf<DMI_SYSTEM_SLOT>(9);
        ASSERT_EQ(slots.size(), 1u);
        EXPECT_EQ(slots[0].id, c.id);
        EXPECT_EQ(busAddress(slots[0].segmentGroupNum, slots[0].busNum, slots[0].devFuncNum),
                  c.address);
    }

    const std::vector<uint8_t> device =
        SmbiosFields().u8(1).u8(0x85).u8(2).u16(0).u8(0x18).u8(0x01).data();
    for (uint8_t length : {7, 10, 11}) {
        SCOPED_TRACE(static_cast<int>(length));
        std::vector<uint8_t> formatted(device.begin(), device.begin() + (length - 4));
        ASSERT_EQ(load(tableWith(41, SmbiosFields().bytes(formatted), {"Onboard LOM"})), 0);
        auto devices = recordsOf<DMI_ONBOARD_DEVICE_EX>(41);
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0].deviceType, 0x05);
        EXPECT_EQ(devices[0].deviceTypeInstance, 2);
        EXPECT_EQ(busAddress(devices[0].segmentGroupNum, devices[0].busNum, devices[0].devFuncNum),
                  length >= 11 ? "0000:18:00.1" : "0000:00:00.0");
    }

    DMI_SYSTEM_SLOT record{};
    SMBIOS_STRUCTURE shortView{slot.data(), 3};
    EXPECT_EQ(DmiSystemSlot_Decode(&record, nullptr, 0), -1);
    EXPECT_EQ(DmiSystemSlot_Decode(&record, &shortView, 0), -1);
    EXPECT_EQ(DmiSystemInfo_decode(nullptr, &shortView, 0), -1);
    EXPECT_EQ(DmiOnboardDevicesEx_decode(nullptr, &shortView, 0), -1);
}

TEST(Smbios, SlotPrintShowsEveryField) {
    ASSERT_EQ(load(committedTable("default")), 0);
    auto slots = recordsOf<DMI_SYSTEM_SLOT>(9);
    ASSERT_EQ(slots.size(), 7u);
    // A record filled by hand without a terminator prints no further than its field.
    std::memset(slots[6].designation, 'D', sizeof(slots[6].designation));

    testing::internal::CaptureStdout();
    DmiSystemSlot_Print(slots.data(), 0);
    DmiSystemSlot_Print(slots.data(), 6);
    DmiSystemSlot_Print(nullptr, 0);
    std::string printed = testing::internal::GetCapturedStdout();

    const std::string first =
        "System Slot record #0  (Type 9)\n"
        "   handle              : 0x0008\n"
        "   designation         : PCIe Slot 1 [r001u01p1i01]\n"
        "   type                : 0xb5\n"
        "   busDataWidth        : 0x0b\n"
        "   currentUsage        : 0x04\n"
        "   length              : 0x04\n"
        "   id                  : 0x0001\n"
        "   characteristics1    : 0x0c\n"
        "   characteristics2    : 0x01\n"
        "   segmentGroupNum     : 0x0000\n"
        "   busNum              : 0x3b\n"
        "   devFuncNum          : 0x00\n";
    EXPECT_EQ(printed.substr(0, first.size()), first);
    EXPECT_NE(printed.find("System Slot record #6  (Type 9)\n"), std::string::npos);
    EXPECT_NE(printed.find(": " + std::string(128, 'D') + "\n"), std::string::npos);
}

TEST(Smbios, WalksNeverMeetATableBeingFreed) {
    const std::vector<uint8_t> image = committedTable("default");
    ASSERT_EQ(load(image), 0);
    std::atomic<bool> stop{false};
    std::atomic<int> badCounts{0};
    std::vector<std::thread> walkers;
    for (int i = 0; i < 3; ++i) {
        walkers.emplace_back([&] {
            while (!stop.load()) {
                void* records = nullptr;
                int count = 0;
                if (getSmbiosRecordsByType(9, &records, &count) == 0) {
                    if (count != 7) {
                        ++badCounts;
                    }
                    free(records);
                }
            }
        });
    }
    for (int round = 0; round < 300; ++round) {
        SmBiosDeinit();
        SmBiosInitFromBuffer(image.data(), image.size());
    }
    stop.store(true);
    for (std::thread& walker : walkers) {
        walker.join();
    }
    EXPECT_EQ(badCounts.load(), 0);
}

}  // namespace
