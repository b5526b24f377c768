// ATA PASS-THROUGH queries of the SATA drives, on the chipset controller and behind the SAS
// HBA, healthy and failing.
#include <gtest/gtest.h>

#include <string>

#include "storage/scsi_queries.h"
#include "storage/simulated_drive.h"

using orbtest::MallocBytes;
using orbtest::MallocText;
using orbtest::OpenDrive;

namespace {

class AtaQueries : public orbtest::SimulatedDrives {};

struct Temperatures {
    int code = 0;
    bool currentParsed = false;
    bool maximumParsed = false;
    int current = -1;
    int maximum = -1;
};

Temperatures readTemperatures(int fd) {
    Temperatures result;
    unsigned char* raw = nullptr;
    size_t length = 0;
    result.code = get_sata_temp(fd, &raw, &length);
    MallocBytes page(raw);
    result.currentParsed = sata_parse_current(page.get(), length, &result.current);
    result.maximumParsed = sata_parse_mcot(page.get(), length, &result.maximum);
    return result;
}

TEST_F(AtaQueries, IdentityFromIdentifyDevice) {
    struct Case {
        const char* generic;
        const char* model;
        const char* serial;
        const char* firmware;
        const char* media;
    };
    const Case cases[] = {
        {"sg0", "SAMSUNG MZ7LH480HAHQ-00005", "S45PNA0M612345", "HXT7904Q", "SSD"},
        {"sg1", "ST2000NM0055-1V4104", "ZC21ABCD", "VXS4", "HDD"},
        {"sg5", "INTEL SSDSC2KG480G8", "PHYG012345AB480BGN", "XCV10132", "SSD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generic);
        OpenDrive drive(c.generic);
        _ORB_ATA_IDENTIFY_INFO info;
        ASSERT_EQ(get_ata_identify_device_info(drive.fd, &info), 0);
        EXPECT_STREQ(info.modelNumber, c.model);
        EXPECT_STREQ(info.serialNumber, c.serial);
        EXPECT_STREQ(info.firmwareRevision, c.firmware);
        EXPECT_STREQ(media_type_from_rotation_rate(info.rotationRate), c.media);
        EXPECT_NE(info.majorVersion & 0xFE00, 0);  // temperature statistics may be asked for
        EXPECT_EQ(info.sectors,
                  0u + (std::string(c.generic) == "sg1" ? 3907029168ull : 937703088ull));
        EXPECT_STREQ(MallocText(get_sata_DiskRev(drive.fd)).get(), c.firmware);
        // Through the SCSI translation the drive is an ATA device.
        EXPECT_EQ(get_scsi_transport_protocol(drive.fd), 8);
        MallocText serial(get_unit_sn_from_device_vpd_pg80(drive.fd));
        ASSERT_NE(serial, nullptr);
        EXPECT_EQ(std::string(serial.get()).find(c.serial), 0u);
    }
}

TEST_F(AtaQueries, HealthTemperatureWearAndAgeOfEachDrive) {
    struct Case {
        const char* generic;
        int current;
        int maximum;
        int wear;  // -9: no Solid State Device Statistics page
        long long hours;
    };
    const Case cases[] = {
        {"sg0", 31, 70, 4, 18211},                         // healthy SSD
        {"sg1", 34, 60, ORB_SCSI_ABORTED_COMMAND, 26544},  // healthy HDD
        {"sg5", 76, 70, 11, 9120},                         // hot SSD behind the SAS HBA
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generic);
        OpenDrive drive(c.generic);
        EXPECT_EQ(get_sata_health(drive.fd), 0);
        Temperatures t = readTemperatures(drive.fd);
        EXPECT_EQ(t.code, 0);
        EXPECT_TRUE(t.currentParsed);
        EXPECT_TRUE(t.maximumParsed);
        EXPECT_EQ(t.current, c.current);
        EXPECT_EQ(t.maximum, c.maximum);
        EXPECT_EQ(get_sata_ssd_wear(drive.fd), c.wear);
        EXPECT_EQ(get_sata_pwron(drive.fd), c.hours);
        unsigned char* raw = nullptr;
        size_t length = 0;
        ASSERT_EQ(get_sata_sct_stat(drive.fd, &raw, &length), 0);
        MallocBytes sct(raw);
        EXPECT_EQ(length, 512u);
        EXPECT_EQ(sct.get()[200], c.current);
    }
}

TEST_F(AtaQueries, FailingAndWornDrivesReportWhatTheyLogged) {
    orbtest::writeDrive("sg50",
                        "kind = sata-hdd\nmodel = FAILING HDD\nserial = F1\nfirmware = 1\n"
                        "capacity = 1000204886016\ncondition = failing\n");
    orbtest::writeDrive("sg51",
                        "kind = sata-ssd\nmodel = WORN SSD\nserial = W1\nfirmware = 1\n"
                        "capacity = 480103981056\ncondition = worn\n");
    // An endurance indicator past 127 % must stay a wear figure, not become an error code.
    orbtest::writeDrive("sg52",
                        "kind = sata-ssd\nmodel = OVERWORN SSD\nserial = O1\nfirmware = 1\n"
                        "capacity = 480103981056\nwear = 200\n");
    OpenDrive failing("sg50");
    OpenDrive worn("sg51");
    OpenDrive overworn("sg52");
    EXPECT_EQ(get_sata_health(failing.fd), 3);
    EXPECT_EQ(get_sata_ssd_wear(worn.fd), 98);
    EXPECT_EQ(get_sata_ssd_wear(overworn.fd), 200);
}

TEST_F(AtaQueries, VendorLogD0CarriesTheVexSignatureOnVexDrivesOnly) {
    OpenDrive vex("sg1");
    unsigned char* raw = nullptr;
    size_t length = 0;
    ASSERT_EQ(get_sata_log_vpd_pgD0(vex.fd, &raw, &length), 0);
    MallocBytes log(raw);
    ASSERT_GE(length, 28u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(log.get()) + 24, 4), "VXD0");

    OpenDrive other("sg0");
    EXPECT_EQ(get_sata_log_vpd_pgD0(other.fd, &raw, &length), ORB_SCSI_ABORTED_COMMAND);
    EXPECT_EQ(raw, nullptr);
}

TEST_F(AtaQueries, SasDriveRefusesAtaPassThrough) {
    OpenDrive sas("sg2");
    _ORB_ATA_IDENTIFY_INFO info;
    EXPECT_EQ(get_ata_identify_device_info(sas.fd, &info), ORB_SCSI_ILLEGAL_REQUEST);
    EXPECT_EQ(get_sata_health(sas.fd), ORB_SCSI_ILLEGAL_REQUEST);
}

}  // namespace
