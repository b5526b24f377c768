// Queries against drives that misbehave: error sense of every kind, short and overlong
// replies, wrong pages, impossible residuals and failed exchanges.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "storage/scsi_queries.h"
#include "storage/simulated_drive.h"

using orbtest::MallocBytes;
using orbtest::MallocText;
using orbtest::OpenDrive;
using ::testing::HasSubstr;

namespace {

class FaultAnswers : public orbtest::SimulatedDrives {};

const char* const kSasSsd =
    "kind = sas-ssd\nvendor = TOSHIBA\nmodel = PX05SMB080Y\nserial = Y7K0A01TTE9F\n"
    "firmware = AS0C\ncapacity = 800166076416\ncondition = failing\nwear = 41\n";
const char* const kSataSsd =
    "kind = sata-ssd\nmodel = INTEL SSDSC2KG480G8\nserial = PHYG012345AB480BGN\n"
    "firmware = XCV10132\ncapacity = 480103981056\nwear = 11\n";

// Results that are texts or buffers are told apart by their length; -100 stands for none.
int length(char* raw) {
    MallocText text(raw);
    return text ? static_cast<int>(std::string(text.get()).size()) : -100;
}

int sataLog(int fd, int page, bool parseTemperature) {
    unsigned char* raw = nullptr;
    size_t size = 0;
    int code = get_sata_log(fd, page, &raw, &size);
    MallocBytes data(raw);
    int value = 0;
    if (code != 0 || !parseTemperature) {
        return code;
    }
    return sata_parse_current(data.get(), size, &value) ? value : -100;
}

int sataTemperature(int fd) {
    return sataLog(fd, 5, true);
}

int sasTemperature(int fd) {
    MallocBytes page(get_sas_temp(fd));
    return page ? sas_parse_current(page.get()) : -100;
}

int identifyCode(int fd) {
    _ORB_ATA_IDENTIFY_INFO info;
    return get_ata_identify_device_info(fd, &info);
}

int firmwareRevision(int fd) {
    return length(get_sata_DiskRev(fd));
}

int vpdSerialLength(int fd) {
    return length(get_unit_sn_from_device_vpd_pg80(fd));
}

struct Case {
    std::string description;
    const char* fault;
    std::function<int(int)> query;
    int expected;
};

TEST_F(FaultAnswers, EveryQueryGivesTheDesignedCode) {
    const Case cases[] = {
        // Error sense and transport failures.
        {kSasSsd, "log-2f illegal-request", get_sas_health, ORB_SCSI_ILLEGAL_REQUEST},
        {kSasSsd, "log-2f aborted-command", get_sas_health, ORB_SCSI_ABORTED_COMMAND},
        {kSasSsd, "log-2f medium-error", get_sas_health, ORB_SCSI_COMMAND_FAILED},
        {kSasSsd, "log-2f check-without-sense", get_sas_health, ORB_SCSI_COMMAND_FAILED},
        {kSasSsd, "log-2f host-error", get_unit_temp, ORB_SCSI_COMMAND_FAILED},
        {kSasSsd, "log-2f ioctl-failure", get_sas_health, ORB_SCSI_IOCTL_FAILED},
        {kSataSsd, "devstat-07 illegal-request", get_sata_ssd_wear, ORB_SCSI_ILLEGAL_REQUEST},
        {kSataSsd, "devstat-07 aborted-command", get_sata_ssd_wear, ORB_SCSI_ABORTED_COMMAND},
        {kSataSsd, "log-ext-03 aborted-command", get_sata_health, ORB_SCSI_ABORTED_COMMAND},
        {std::string(kSataSsd) + "sense-format = descriptor-deferred\n",
         "devstat-07 aborted-command", get_sata_ssd_wear, ORB_SCSI_ABORTED_COMMAND},
        // Replies shorter than a field needs.
        {kSasSsd, "log-2f short:9", get_sas_health, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "log-2f short:10", get_sas_health, 0x5D10},
        {kSasSsd, "log-2f short:10", get_unit_temp, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "log-11 short:11", get_sas_ssd_wear, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "mode-19 short:6", get_scsi_transport_protocol, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "vpd-b1 short:5", get_scsi_disk_medium_rotation_rate, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "mode10-19 short:37", get_unit_speed, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "inquiry short:4",
         [](int fd) { return length(get_unit_sn_from_device_inquiry(fd)); }, -100},
        {kSasSsd, "log-0d short:10", sasTemperature, -100},  // page says 16 bytes
        {kSataSsd, "log-ext-03 short:3", get_sata_health, ORB_SCSI_SHORT_DATA},
        {kSataSsd, "devstat-05 short:0", sataTemperature, ORB_SCSI_SHORT_DATA},
        {kSataSsd, "devstat-05 short:15", sataTemperature, -100},  // flags byte missing
        {kSataSsd, "identify short:511", identifyCode, ORB_SCSI_SHORT_DATA},
        {kSataSsd, "identify short:53", firmwareRevision, -100},  // firmware ends at byte 53
        {kSataSsd, "identify short:54", firmwareRevision, 8},
        // Another page than the one asked for.
        {kSasSsd, "log-2f wrong-page", get_sas_health, ORB_SCSI_WRONG_PAGE},
        {kSasSsd, "log-0d wrong-page", sasTemperature, -100},
        {kSasSsd, "log-11 wrong-page", get_sas_ssd_wear, 255},
        {kSasSsd, "mode-19 wrong-page", get_scsi_transport_protocol, ORB_SCSI_WRONG_PAGE},
        {kSasSsd, "vpd-b1 wrong-page", get_scsi_disk_medium_rotation_rate, ORB_SCSI_WRONG_PAGE},
        {kSasSsd, "vpd-80 wrong-page", vpdSerialLength, -100},
        {kSataSsd, "devstat-05 wrong-page", sataTemperature, -100},
        {kSataSsd, "devstat-01 wrong-page", [](int fd) { return sataLog(fd, 1, false); },
         0},  // logged, data returned
        {kSataSsd, "log-ext-03 wrong-page", get_sata_health, ORB_SCSI_WRONG_PAGE},
        // Length fields that claim more than arrived are held to what arrived.
        {kSasSsd, "log-2f overlong", get_sas_health, 0x5D10},
        {kSasSsd, "log-0d overlong", sasTemperature, 31},
        {kSasSsd, "vpd-80 overlong", vpdSerialLength, 12},
        {kSasSsd, "inquiry overlong",
         [](int fd) { return length(get_unit_sn_from_device_inquiry(fd)); }, 20},
        {kSasSsd, "mode-19 overlong", get_scsi_transport_protocol, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "mode10-19 overlong", get_unit_speed, 0x0B},
        {kSasSsd, "read-defect overlong", get_defect_data_size, 0xFFF8},
        // A residual that claims more than the buffer is held to the buffer.
        {kSasSsd, "log-2f bad-residual", get_sas_health, 0x5D10},
        {kSataSsd, "devstat-07 bad-residual", get_sata_ssd_wear, 11},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string generic = "sg" + std::to_string(60 + n++);
        SCOPED_TRACE(std::string(c.fault) + " on " + generic);
        orbtest::writeDrive(generic, c.description + "fault = " + c.fault + "\n");
        OpenDrive drive(generic);
        ASSERT_GE(drive.fd, 0);
        EXPECT_EQ(c.query(drive.fd), c.expected);
    }
}

TEST_F(FaultAnswers, FailuresAreLoggedWithTheCommand) {
    orbtest::LogMark mark;
    orbtest::writeDrive("sg91", std::string(kSasSsd) + "fault = log-2f ioctl-failure\n");
    orbtest::writeDrive("sg92", std::string(kSasSsd) + "fault = log-2f short:9\n");
    orbtest::writeDrive("sg93", std::string(kSataSsd) + "fault = devstat-05 aborted-command\n");
    orbtest::writeDrive("sg94", std::string(kSataSsd) + "fault = devstat-05 short:0\n");
    orbtest::writeDrive("sg95", std::string(kSataSsd) + "fault = devstat-01 wrong-page\n");
    for (const char* generic : {"sg91", "sg92"}) {
        OpenDrive drive(generic);
        get_sas_health(drive.fd);
    }
    for (const char* generic : {"sg93", "sg94"}) {
        OpenDrive drive(generic);
        sataTemperature(drive.fd);
    }
    OpenDrive wrong("sg95");
    sataLog(wrong.fd, 1, false);
    std::string log = mark.mainSince();
    EXPECT_THAT(log, HasSubstr("IOCTL for LOG SENSE(6Fh) failed. (-1, 5)"));
    EXPECT_THAT(log, HasSubstr("IOCTL for LOG SENSE(6Fh) returned 9 bytes. (Min expected: 10)"));
    EXPECT_THAT(log, HasSubstr("ATA DEV STAT LOG(5) command failed."));
    EXPECT_THAT(log, HasSubstr("IOCTL for ATA DEV STAT LOG(5) returned no data."));
    EXPECT_THAT(log,
                HasSubstr("The requested page 01 is not supported by Device Statistics Log(04h)"));
    EXPECT_THAT(log, HasSubstr("SCSI_INFO"));
    EXPECT_THAT(mark.debugSince(), HasSubstr("get_sata_log: sgiob: info=[0x1]"));
}

}  // namespace
