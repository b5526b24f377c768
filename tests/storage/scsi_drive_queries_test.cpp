// SG_IO queries of the default host's drives, healthy and failing, SAS and SATA.
#include <gtest/gtest.h>

#include <string>

#include "storage/scsi_queries.h"
#include "storage/simulated_drive.h"

using orbtest::MallocBytes;
using orbtest::MallocText;
using orbtest::OpenDrive;

namespace {

class DriveQueries : public orbtest::SimulatedDrives {};

TEST_F(DriveQueries, SasDrivesHealthTemperatureWearAndAge) {
    struct Case {
        const char* generic;
        int health, temperature, reference, wear, rotation, defectBytes;
        long long hours;
    };
    const Case cases[] = {
        {"sg2", 0, 34, 60, ORB_SCSI_ILLEGAL_REQUEST, 10500, 0, 31017},             // healthy HDD
        {"sg3", 0x5D10, 34, 60, ORB_SCSI_ILLEGAL_REQUEST, 10000, 214 * 8, 47210},  // failing
        {"sg4", 0, 31, 70, 98, 1, 0, 39870},                                       // worn SSD
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generic);
        OpenDrive drive(c.generic);
        EXPECT_EQ(get_sas_health(drive.fd), c.health);
        EXPECT_EQ(get_unit_temp(drive.fd), c.temperature);
        MallocBytes page(get_sas_temp(drive.fd));
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(sas_parse_current(page.get()), c.temperature);
        EXPECT_EQ(sas_parse_mcot(page.get()), c.reference);
        EXPECT_EQ(get_sas_ssd_wear(drive.fd), c.wear);
        EXPECT_EQ(get_sas_pwron(drive.fd), c.hours);
        EXPECT_EQ(get_scsi_disk_medium_rotation_rate(drive.fd), c.rotation);
        EXPECT_EQ(get_defect_data_size(drive.fd), c.defectBytes);
        EXPECT_STREQ(SCSI_Protocol_Identifiers[get_scsi_transport_protocol(drive.fd)], "SAS");
        EXPECT_EQ(get_unit_speed(drive.fd), 0x0B);
        EXPECT_EQ(is_unit_smart(drive.fd), 1);
        MallocText serial(get_unit_sn_from_device_inquiry(drive.fd));
        ASSERT_NE(serial, nullptr);
        EXPECT_EQ(std::string(serial.get())
                      .find(MallocText(get_unit_sn_from_device_vpd_pg80(drive.fd)).get()),
                  0u);
    }
}

TEST_F(DriveQueries, SataDrivesThroughAtaPassThrough) {
    struct Case {
        const char* generic;
        const char* model;
        const char* firmware;
        const char* media;
        int current, maximum, wear;  // wear -9: the HDD has no Solid State Device Statistics
        long long hours;
    };
    const Case cases[] = {
        {"sg0", "SAMSUNG MZ7LH480HAHQ-00005", "HXT7904Q", "SSD", 31, 70, 4, 18211},
        {"sg1", "ST2000NM0055-1V4104", "VXS4", "HDD", 34, 60, ORB_SCSI_ABORTED_COMMAND, 26544},
        {"sg5", "INTEL SSDSC2KG480G8", "XCV10132", "SSD", 76, 70, 11, 9120},  // hot, behind SAS
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generic);
        OpenDrive drive(c.generic);
        _ORB_ATA_IDENTIFY_INFO info;
        ASSERT_EQ(get_ata_identify_device_info(drive.fd, &info), 0);
        EXPECT_STREQ(info.modelNumber, c.model);
        EXPECT_STREQ(MallocText(get_sata_DiskRev(drive.fd)).get(), c.firmware);
        EXPECT_STREQ(media_type_from_rotation_rate(info.rotationRate), c.media);
        EXPECT_EQ(get_scsi_transport_protocol(drive.fd), 8);
        EXPECT_EQ(get_sata_health(drive.fd), 0);
        unsigned char* raw = nullptr;
        size_t length = 0;
        ASSERT_EQ(get_sata_temp(drive.fd, &raw, &length), 0);
        MallocBytes page(raw);
        int current = -1;
        int maximum = -1;
        EXPECT_TRUE(sata_parse_current(page.get(), length, &current));
        EXPECT_TRUE(sata_parse_mcot(page.get(), length, &maximum));
        EXPECT_EQ(current, c.current);
        EXPECT_EQ(maximum, c.maximum);
        EXPECT_EQ(get_sata_ssd_wear(drive.fd), c.wear);
        EXPECT_EQ(get_sata_pwron(drive.fd), c.hours);
        bool vex = std::string(c.generic) == "sg1";
        EXPECT_EQ(get_sata_log_vpd_pgD0(drive.fd, &raw, &length),
                  vex ? 0 : ORB_SCSI_ABORTED_COMMAND);
        MallocBytes vendorLog(raw);
        if (vex) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(vendorLog.get()) + 24, 4), "VXD0");
        }
    }
}

TEST_F(DriveQueries, HandMadeDrivesAtTheEdges) {
    orbtest::writeDrive("sg50",
                        "kind = sata-hdd\nmodel = F\nserial = F1\nfirmware = 1\n"
                        "capacity = 1000204886016\ncondition = failing\n");
    // An endurance indicator past 127 % stays a wear figure, never an error code.
    orbtest::writeDrive("sg51",
                        "kind = sata-ssd\nmodel = W\nserial = W1\nfirmware = 1\n"
                        "capacity = 480103981056\nwear = 200\n");
    orbtest::writeDrive("sg52",
                        "kind = sas-hdd\nmodel = HUGE\nserial = H1\nfirmware = 1\n"
                        "capacity = 16000900661248\n");
    OpenDrive failing("sg50");
    OpenDrive overworn("sg51");
    OpenDrive huge("sg52");
    EXPECT_EQ(get_sata_health(failing.fd), 3);
    EXPECT_EQ(get_sata_ssd_wear(overworn.fd), 200);
    unsigned long long blocks = 0;
    unsigned blockLength = 0;
    ASSERT_EQ(get_disk_capacity(huge.fd, &blocks, &blockLength), 0);  // needs READ CAPACITY (16)
    EXPECT_EQ(blocks, 16000900661248ull / 512);
    _ORB_ATA_IDENTIFY_INFO info;
    EXPECT_EQ(get_ata_identify_device_info(huge.fd, &info), ORB_SCSI_ILLEGAL_REQUEST);

    orbtest::writeFile(orbtest::rootPath("/dev/notadrive"), "just a file\n");
    OpenDrive file("notadrive");
    EXPECT_EQ(get_sas_health(file.fd), ORB_SCSI_IOCTL_FAILED);
    EXPECT_EQ(get_sas_temp(file.fd), nullptr);
}

}  // namespace
