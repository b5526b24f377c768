// The drives of the bravo host, found the way drive discovery finds them: through the sysfs
// tree to the generic device, then over SG_IO.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "core/platform_path.h"
#include "host/sysfs_directory.h"
#include "storage/scsi_queries.h"
#include "storage/simulated_drive.h"

ORB_TEST_HOST("bravo");

namespace {

class BravoDrives : public orbtest::SimulatedDrives {};

TEST_F(BravoDrives, EachDriveIsReachedThroughItsGenericDevice) {
    struct Expected {
        const char* address;
        const char* protocol;
        const char* media;
        int health;
    };
    const Expected drives[] = {
        {"0:0:0:0", "ATA", "SSD", 0},
        {"4:0:0:0", "SAS", "SSD", 0},
        {"4:0:1:0", "ATA", "HDD", 0},
    };
    std::vector<std::string> found = orbListSysfsDirectory(orbRootPath("/sys/class/scsi_device"));
    ASSERT_EQ(found.size(), 3u);
    for (const Expected& e : drives) {
        SCOPED_TRACE(e.address);
        orbtest::MallocText generic(get_ScsiGeneric(e.address));
        ASSERT_NE(generic, nullptr);
        int fd =
            open(orbRootPath(std::string("/dev/") + generic.get()).c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        int protocol = get_scsi_transport_protocol(fd);
        ASSERT_GE(protocol, 0);
        EXPECT_STREQ(SCSI_Protocol_Identifiers[protocol], e.protocol);
        bool ata = std::string(e.protocol) == "ATA";
        int rate = 0;
        if (ata) {
            _ORB_ATA_IDENTIFY_INFO info;
            ASSERT_EQ(get_ata_identify_device_info(fd, &info), 0);
            rate = info.rotationRate;
        } else {
            rate = get_scsi_disk_medium_rotation_rate(fd);
        }
        EXPECT_STREQ(media_type_from_rotation_rate(rate), e.media);
        EXPECT_EQ(ata ? get_sata_health(fd) : get_sas_health(fd), e.health);
        close(fd);
    }
}

}  // namespace
