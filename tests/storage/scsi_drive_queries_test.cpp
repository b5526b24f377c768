// SG_IO queries of the simulated hosts' drives, healthy and failing, SAS and SATA, the command
// blocks they put on the wire, and drives that misbehave: error sense of every kind, short and
// overlong replies, wrong pages, impossible residuals and failed exchanges.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/owned_resources.h"
#include "sim/drives/simulated_drives.h"
#include "storage/scsi_queries.h"
#include "support/test_environment.h"

namespace {

class DriveQueries : public ::testing::Test {
  protected:
    void SetUp() override { orbsim::installSimulatedDrives(); }
    void TearDown() override { orbsim::removeSimulatedDrives(); }
};

// An open descriptor of a simulated drive's generic device ("sgN" of this process's host, or
// a description file by path), as the service opens it.
struct OpenDrive {
    explicit OpenDrive(const std::string& drive)
        : owner(open(
              (drive.find('/') == std::string::npos ? orbtest::rootPath("/dev/" + drive) : drive)
                  .c_str(),
              O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    orbFileDescriptor owner;
    const int fd = owner.get();
};

// Results that are texts are told apart by their length, -100 standing for none; results
// that are buffers by the code, or for a temperature page by the temperature in it.
template <char* (*query)(int)>
int textLength(int fd) {
    orbMallocText text(query(fd));
    return text ? static_cast<int>(std::string(text.get()).size()) : -100;
}

template <int (*query)(int, unsigned char**, size_t*)>
int bufferCode(int fd) {
    unsigned char* raw = nullptr;
    size_t size = 0;
    int code = query(fd, &raw, &size);
    orbMallocBytes data(raw);
    return code;
}

// A temperature of the Device Statistics Temperature page, the query's code when it fails.
template <bool (*parse)(const unsigned char*, size_t, int*)>
int sataTemperature(int fd) {
    unsigned char* raw = nullptr;
    size_t size = 0;
    int code = get_sata_temp(fd, &raw, &size);
    orbMallocBytes data(raw);
    int value = 0;
    return code != 0 ? code : parse(data.get(), size, &value) ? value : -100;
}
constexpr auto sataCurrent = &sataTemperature<sata_parse_current>;

int sasTemperature(int fd) {
    orbMallocBytes page(get_sas_temp(fd));
    return page ? sas_parse_current(page.get()) : -100;
}

// The length of the model IDENTIFY DEVICE names, or the query's code when it fails.
int identifiedModel(int fd) {
    _ORB_ATA_IDENTIFY_INFO info;
    int code = get_ata_identify_device_info(fd, &info);
    return code != 0 ? code : static_cast<int>(std::string(info.modelNumber).size());
}

// Identity from IDENTIFY DEVICE word by word, capacity as IDENTIFY and READ CAPACITY give it,
// and health through ATA PASS-THROUGH. Only a SAT layer that is told to answers the protocol
// mode page; the others refuse it, as most do.
TEST_F(DriveQueries, SataDrivesThroughAtaPassThrough) {
    struct Case {
        std::string drive;
        const char *model, *serial, *firmware, *media;
        unsigned long long sectors;
        int protocol, current, maximum, wear;  // wear -9: the HDD has no SSD statistics page
        long long hours;
        const char* vendorLog;
    };
    const Case cases[] = {
        {"sg1", "ST2000NM0055-1V4104", "ZC21ABCD", "VXS4", "HDD", 3907029168,
         ORB_SCSI_ILLEGAL_REQUEST, 34, 60, ORB_SCSI_ABORTED_COMMAND, 26544, "VXD0"},
        {"sg5", "INTEL SSDSC2KG480G8", "PHYG012345AB480BGN", "XCV10132", "SSD", 937703088, 8, 76,
         70, 11, 9120, nullptr},  // hot
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive);
        OpenDrive drive(c.drive);
        _ORB_ATA_IDENTIFY_INFO info;
        ASSERT_EQ(get_ata_identify_device_info(drive.fd, &info), 0);
        EXPECT_STREQ(info.modelNumber, c.model);
        EXPECT_STREQ(info.serialNumber, c.serial);
        EXPECT_STREQ(info.firmwareRevision, c.firmware);
        EXPECT_STREQ(orbMallocText(get_sata_DiskRev(drive.fd)).get(), c.firmware);
        EXPECT_EQ(info.sectors, c.sectors);
        unsigned long long blocks = 0;
        unsigned blockLength = 0;
        ASSERT_EQ(get_disk_capacity(drive.fd, &blocks, &blockLength), 0);
        EXPECT_EQ(blocks, c.sectors);
        EXPECT_STREQ(media_type_from_rotation_rate(info.rotationRate), c.media);
        EXPECT_EQ(get_scsi_transport_protocol(drive.fd), c.protocol);
        EXPECT_EQ(get_sata_health(drive.fd), 0);
        EXPECT_EQ(sataCurrent(drive.fd), c.current);
        EXPECT_EQ(sataTemperature<sata_parse_mcot>(drive.fd), c.maximum);
        EXPECT_EQ(get_sata_ssd_wear(drive.fd), c.wear);
        EXPECT_EQ(get_sata_pwron(drive.fd), c.hours);
        // Only the Vex-branded drive keeps the vendor log.
        unsigned char* raw = nullptr;
        size_t length = 0;
        ASSERT_EQ(get_sata_log_vpd_pgD0(drive.fd, &raw, &length),
                  c.vendorLog ? 0 : ORB_SCSI_ABORTED_COMMAND);
        orbMallocBytes vendorLog(raw);
        if (c.vendorLog) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(vendorLog.get()) + 24, 4), c.vendorLog);
        }
    }
}

// What a drive receives from each query: the command block byte by byte (opcode, page and page
// control, allocation length, ATA PASS-THROUGH protocol and registers), then the data length
// and time-out. A query that sends two commands shows both.
TEST_F(DriveQueries, QueriesSendTheCommandBlocksDrivesExpect) {
    const struct {
        std::string drive;
        std::function<void(int)> query;
        const char* sent;
    } cases[] = {
        {"sg4", get_sas_health, "4d 00 6f 00 00 00 00 00 62 00 (98, 60000)"},
        {"sg4", get_scsi_transport_protocol, "1a 08 19 00 ff 00 (255, 60000)"},
        {"sg4", get_unit_speed, "5a 08 19 01 00 00 00 02 00 00 (512, 60000)"},
        {"sg4", get_scsi_disk_medium_rotation_rate, "12 01 b1 00 fc 00 (252, 60000)"},
        {"sg4", textLength<get_unit_sn_from_device_inquiry>, "12 00 00 00 60 00 (96, 60000)"},
        {"sg4", get_defect_data_size, "37 00 0c 00 00 00 00 00 04 00 (4, 60000)"},
        {orbtest::sourcePath("sim/hosts/bravo/dev/sg2"),  // past 2 TiB: READ CAPACITY (16) too
         [](int fd) {
             unsigned long long blocks = 0;
             unsigned length = 0;
             get_disk_capacity(fd, &blocks, &length);
         },
         "25 00 00 00 00 00 00 00 00 00 (8, 60000) "
         "9e 10 00 00 00 00 00 00 00 00 00 00 00 20 00 00 (32, 60000)"},
        {"sg0", identifiedModel, "85 08 0e 00 00 00 01 00 00 00 00 00 00 00 ec 00 (512, 60000)"},
        {"sg0", get_sata_health, "85 09 0e 00 00 00 01 00 03 00 00 00 00 00 2f 00 (512, 20000)"},
        {"sg0", bufferCode<get_sata_sct_stat>,
         "85 08 0e 00 d5 00 01 00 e0 00 4f 00 c2 00 b0 00 (512, 60000)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent);
        OpenDrive drive(c.drive);
        orbsim::recordReceivedCommands(true);
        c.query(drive.fd);
        std::string sent;
        for (const orbsim::ReceivedCommand& command : orbsim::takeReceivedCommands()) {
            char byte[4];
            for (uint8_t value : command.cdb) {
                std::snprintf(byte, sizeof(byte), "%02x ", value);
                sent += byte;
            }
            sent += "(" + std::to_string(command.dataLength) + ", " +
                    std::to_string(command.timeoutMs) + ") ";
        }
        EXPECT_EQ(sent, std::string(c.sent) + " ");
    }
}

const char* const kSasSsd =
    "kind = sas-ssd\nvendor = TOSHIBA\nmodel = PX05SMB080Y\nserial = Y7K0A01TTE9F\n"
    "firmware = AS0C\ncapacity = 800166076416\ncondition = failing\nwear = 41\n";
const char* const kSataSsd =
    "kind = sata-ssd\nmodel = INTEL SSDSC2KG480G8\nserial = PHYG012345AB480BGN\n"
    "firmware = XCV10132\ncapacity = 480103981056\nwear = 11\n";
const char* const kFailingSataHdd =
    "kind = sata-hdd\nmodel = F\nserial = F1\nfirmware = 1\ncapacity = 1000204886016\n"
    "condition = failing\n";

// Each hand-made drive answers with its expected code.
TEST_F(DriveQueries, HandMadeDrivesGiveTheDesignedCode) {
    const struct {
        std::string description;
        const char* fault;
        std::function<int(int)> query;
        int expected;
    } cases[] = {
        // Conditions of their own: a wear past 127 % is a figure, never an error code.
        {kFailingSataHdd, "", get_sata_health, 3},
        {std::string(kSataSsd) + "wear = 200\n", "", get_sata_ssd_wear, 200},
        {kSasSsd, "", identifiedModel, ORB_SCSI_ILLEGAL_REQUEST},  // no ATA behind a SAS drive
        // Error sense and transport failures.
        {kSasSsd, "log-2f illegal-request", get_sas_health, ORB_SCSI_ILLEGAL_REQUEST},
        {kSasSsd, "log-2f aborted-command", get_sas_health, ORB_SCSI_ABORTED_COMMAND},
        // Deferred sense is an earlier command's failure: never "not supported" for this one.
        {std::string(kSasSsd) + "sense-format = fixed-deferred\n", "log-2f illegal-request",
         get_sas_health, ORB_SCSI_COMMAND_FAILED},
        // A model that fills all twenty of its words.
        {std::string(kSataSsd) + "model = SAMSUNG MZ7L3960HCJR-00A07 1234567890ABC\n", "",
         identifiedModel, 40},
        // A SAT layer that rewrote IDENTIFY words without fixing the checksum.
        {kSataSsd, "identify bad-checksum", identifiedModel, 19},
        {kSasSsd, "log-2f check-without-sense", get_sas_health, ORB_SCSI_COMMAND_FAILED},
        {kSasSsd, "log-2f ioctl-failure", get_sas_health, ORB_SCSI_IOCTL_FAILED},
        {kSataSsd, "devstat-07 illegal-request", get_sata_ssd_wear, ORB_SCSI_ILLEGAL_REQUEST},
        // Replies shorter than a field needs.
        {kSasSsd, "log-2f short:9", get_sas_health, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "log-2f short:10", get_sas_health, 0x5D10},
        {kSasSsd, "log-2f short:10", get_unit_temp, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "inquiry short:4", textLength<get_unit_sn_from_device_inquiry>, -100},
        {kSasSsd, "log-0d short:10", sasTemperature, -100},  // page says 16 bytes
        {kSataSsd, "devstat-05 short:0", sataCurrent, ORB_SCSI_SHORT_DATA},
        {kSataSsd, "devstat-05 short:15", sataCurrent, -100},  // flags byte missing
        {kSataSsd, "identify short:511", identifiedModel, ORB_SCSI_SHORT_DATA},
        {kSataSsd, "identify short:53", textLength<get_sata_DiskRev>, -100},  // firmware: 46-53
        {kSataSsd, "identify short:54", textLength<get_sata_DiskRev>, 8},
        // Another page than the one asked for.
        {kSasSsd, "log-2f wrong-page", get_sas_health, ORB_SCSI_WRONG_PAGE},
        {kSasSsd, "log-11 wrong-page", get_sas_ssd_wear, 255},
        {kSasSsd, "vpd-80 wrong-page", textLength<get_unit_sn_from_device_vpd_pg80>, -100},
        // Length fields that claim more than arrived are held to what arrived.
        {kSasSsd, "log-2f overlong", get_sas_health, 0x5D10},
        {kSasSsd, "vpd-80 overlong", textLength<get_unit_sn_from_device_vpd_pg80>, 12},
        {kSasSsd, "mode-19 overlong", get_scsi_transport_protocol, ORB_SCSI_SHORT_DATA},
        {kSasSsd, "read-defect overlong", get_defect_data_size, 0xFFF8},
        // A residual that claims more than the buffer is held to the buffer.
        {kSasSsd, "log-2f bad-residual", get_sas_health, 0x5D10},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string generic = "sg" + std::to_string(60 + n++);
        SCOPED_TRACE((*c.fault ? std::string(c.fault) : c.description) + " on " + generic);
        const std::string fault = *c.fault ? std::string("fault = ") + c.fault + "\n" : "";
        orbtest::writeFile(orbtest::rootPath("/dev/" + generic), c.description + fault);
        OpenDrive drive(generic);
        ASSERT_GE(drive.fd, 0);
        EXPECT_EQ(c.query(drive.fd), c.expected);
    }
}

}  // namespace
