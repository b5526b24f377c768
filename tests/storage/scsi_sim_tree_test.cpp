// The simulated hosts' SCSI sysfs trees are what their layouts and drive descriptions make,
// and the drives' sysfs inquiry and VPD files hold the bytes the drives answer over SG_IO.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "sim/drives/scsi_tree.h"
#include "storage/scsi_command.h"
#include "storage/scsi_queries.h"
#include "storage/simulated_drive.h"

namespace fs = std::filesystem;

namespace {

// Every file (its bytes) and link (its target) below a folder, by relative path.
std::map<std::string, std::string> snapshot(const fs::path& top) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(top); it != fs::recursive_directory_iterator();
         ++it) {
        std::string relative = fs::relative(it->path(), top).string();
        if (it->is_symlink()) {
            entries[relative] = "-> " + fs::read_symlink(it->path()).string();
        } else if (it->is_regular_file()) {
            entries[relative] = orbtest::readFile(it->path().string());
        }
    }
    return entries;
}

TEST(SimulatedScsiTree, CommittedTreesMatchTheirLayouts) {
    for (const char* host : {"default", "bravo"}) {
        SCOPED_TRACE(host);
        fs::path source = orbtest::sourcePath(std::string("sim/hosts/") + host);
        fs::path scratch = fs::path(orbtest::root()) / (std::string("regenerated-") + host);
        fs::create_directories(scratch);
        fs::copy(source / "dev", scratch / "dev", fs::copy_options::recursive);
        std::string error;
        ASSERT_TRUE(orbsim::writeScsiTree(
            orbtest::sourcePath(std::string("sim/scsi-tree/") + host + ".layout"), scratch.string(),
            error))
            << error;
        auto expected = snapshot(scratch / "sys");
        auto committed = snapshot(source / "sys");
        EXPECT_GT(expected.size(), 50u);
        for (const auto& [path, contents] : expected) {
            auto found = committed.find(path);
            ASSERT_NE(found, committed.end()) << path << " is missing; rerun orb_scsi_tree";
            EXPECT_EQ(found->second, contents) << path << " differs; rerun orb_scsi_tree";
        }
        for (const auto& entry : committed) {
            EXPECT_TRUE(expected.count(entry.first) > 0) << entry.first << " is not in the layout";
        }
    }
}

class SysfsMatchesSgIo : public orbtest::SimulatedDrives {};

TEST_F(SysfsMatchesSgIo, InquiryAndVpdFilesHoldTheDrivesAnswers) {
    for (const char* address : {"0:0:0:0", "1:0:0:0", "8:0:0:0", "8:0:1:0", "8:0:2:0", "8:0:3:0"}) {
        SCOPED_TRACE(address);
        orbtest::MallocText generic(get_ScsiGeneric(address));
        ASSERT_NE(generic, nullptr);
        orbtest::OpenDrive drive(generic.get());
        std::string device =
            orbtest::rootPath(std::string("/sys/class/scsi_device/") + address + "/device/");

        unsigned char* raw = nullptr;
        size_t length = 0;
        ASSERT_EQ(get_identify_info(drive.fd, &raw, &length), 0);
        orbtest::MallocBytes inquiry(raw);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.get()), length),
                  orbtest::readFile(device + "inquiry"));
        for (uint8_t page : {0x80, 0x83}) {
            orbScsiReply reply =
                orb_scsi_query(drive.fd, orb_cdb_inquiry(true, page, 252), "test", 252);
            ASSERT_EQ(reply.code, 0);
            EXPECT_EQ(std::string(reply.buffer.begin(), reply.buffer.begin() + reply.transferred),
                      orbtest::readFile(device + (page == 0x80 ? "vpd_pg80" : "vpd_pg83")));
        }
    }
}

}  // namespace
