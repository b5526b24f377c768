// SG_IO queries of the SAS drives of the default host, healthy and failing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "storage/scsi_queries.h"
#include "storage/simulated_drive.h"

using orbtest::MallocBytes;
using orbtest::MallocText;
using orbtest::OpenDrive;

namespace {

class SasQueries : public orbtest::SimulatedDrives {};

TEST_F(SasQueries, HealthTemperatureWearAndAgeOfEachDrive) {
    struct Case {
        const char* generic;
        int health;
        int temperature;
        int reference;
        int wear;  // -7: the drive has no solid-state media page
        long long hours;
        int rotation;
        int defectBytes;
    };
    const Case cases[] = {
        {"sg2", 0, 34, 60, ORB_SCSI_ILLEGAL_REQUEST, 31017, 10500, 0},             // healthy HDD
        {"sg3", 0x5D10, 34, 60, ORB_SCSI_ILLEGAL_REQUEST, 47210, 10000, 214 * 8},  // failing
        {"sg4", 0, 31, 70, 98, 39870, 1, 0},                                       // worn SSD
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generic);
        OpenDrive drive(c.generic);
        ASSERT_GE(drive.fd, 0);
        EXPECT_EQ(get_sas_health(drive.fd), c.health);
        EXPECT_EQ(get_unit_temp(drive.fd), c.temperature);
        MallocBytes page(get_sas_temp(drive.fd));
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(sas_parse_current(page.get()), c.temperature);
        EXPECT_EQ(sas_parse_mcot(page.get()), c.reference);
        EXPECT_EQ(get_sas_ssd_wear(drive.fd), c.wear);
        EXPECT_EQ(get_sas_pwron(drive.fd), c.hours);
        EXPECT_EQ(get_scsi_disk_medium_rotation_rate(drive.fd), c.rotation);
        EXPECT_EQ(is_unit_ssd(drive.fd), c.rotation == 1 ? 1 : 0);
        EXPECT_EQ(get_defect_data_size(drive.fd), c.defectBytes);
        EXPECT_EQ(get_scsi_transport_protocol(drive.fd), 6);
        EXPECT_STREQ(SCSI_Protocol_Identifiers[get_scsi_transport_protocol(drive.fd)], "SAS");
        EXPECT_EQ(get_unit_speed(drive.fd), 0x0B);
        EXPECT_EQ(is_unit_smart(drive.fd), 1);
    }
}

TEST_F(SasQueries, IdentityAndCapacity) {
    struct Case {
        const char* generic;
        const char* vendor;
        const char* model;
        const char* serial;
        unsigned long long blocks;
    };
    const Case cases[] = {
        {"sg2", "SEAGATE ", "ST1200MM0009    ", "WFK1A2B3", 1200243695616ull / 512},
        {"sg3", "HGST    ", "HUC101818CS4204 ", "0BG1XYZQ", 1800360124416ull / 512},
        {"sg4", "TOSHIBA ", "PX05SMB080Y     ", "Y7K0A01TTE9F", 800166076416ull / 512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generic);
        OpenDrive drive(c.generic);
        unsigned char* raw = nullptr;
        size_t length = 0;
        ASSERT_EQ(get_identify_info(drive.fd, &raw, &length), 0);
        MallocBytes inquiry(raw);
        EXPECT_EQ(length, 96u);
        EXPECT_EQ(inq_parse_type(inquiry.get(), length), 0);
        EXPECT_STREQ(MallocText(inq_parse_vendor(inquiry.get(), length)).get(), c.vendor);
        EXPECT_STREQ(MallocText(inq_parse_prodID(inquiry.get(), length)).get(), c.model);
        EXPECT_EQ(std::string(MallocText(get_unit_sn_from_device_vpd_pg80(drive.fd)).get()),
                  c.serial);
        MallocText inquirySerial(get_unit_sn_from_device_inquiry(drive.fd));
        ASSERT_NE(inquirySerial, nullptr);
        EXPECT_EQ(std::string(inquirySerial.get()).substr(0, std::strlen(c.serial)), c.serial);

        unsigned long long blocks = 0;
        unsigned blockLength = 0;
        EXPECT_EQ(get_disk_capacity(drive.fd, &blocks, &blockLength), 0);
        EXPECT_EQ(blocks, c.blocks);
        EXPECT_EQ(blockLength, 512u);
    }
}

TEST_F(SasQueries, DriveBeyondTwoTebibytesIsMeasuredWithReadCapacity16) {
    orbtest::writeDrive("sg40",
                        "kind = sas-hdd\nmodel = BIG\nserial = B1\nfirmware = 0001\n"
                        "capacity = 8001563222016\nlogical-block = 4096\n");
    OpenDrive drive("sg40");
    unsigned long long blocks = 0;
    unsigned blockLength = 0;
    ASSERT_EQ(get_disk_capacity(drive.fd, &blocks, &blockLength), 0);
    EXPECT_EQ(blocks, 8001563222016ull / 4096);
    EXPECT_EQ(blockLength, 4096u);

    orbtest::writeDrive("sg41",
                        "kind = sas-hdd\nmodel = HUGE\nserial = H1\nfirmware = 0001\n"
                        "capacity = 16000900661248\n");
    OpenDrive huge("sg41");
    ASSERT_EQ(get_disk_capacity(huge.fd, &blocks, &blockLength), 0);
    EXPECT_EQ(blocks, 16000900661248ull / 512);  // more blocks than READ CAPACITY (10) holds
}

TEST_F(SasQueries, MediaTypeFromRotationRate) {
    struct Case {
        int rate;
        const char* media;
    };
    const Case cases[] = {{1, "SSD"}, {0x0401, "HDD"}, {7200, "HDD"}, {0xFFFE, "HDD"},
                          {0, ""},    {0x0400, ""},    {0xFFFF, ""},  {-7, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        EXPECT_STREQ(media_type_from_rotation_rate(c.rate), c.media);
    }
}

TEST_F(SasQueries, DescriptorThatIsNoGenericDeviceFailsTheExchange) {
    orbtest::writeFile(orbtest::rootPath("/dev/notadrive"), "just a file\n");
    OpenDrive file("notadrive");
    ASSERT_GE(file.fd, 0);
    EXPECT_EQ(get_sas_health(file.fd), ORB_SCSI_IOCTL_FAILED);
    EXPECT_EQ(get_sas_temp(file.fd), nullptr);
}

}  // namespace
