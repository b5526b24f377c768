// The simulated hosts' SCSI sysfs trees are what their layouts and drive descriptions make
// (their inquiry and VPD files come from the page builders the simulated drives answer with),
// and the drive and SAS HBA attributes read from that tree and from hand-made attribute files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "core/owned_resources.h"
#include "sim/drives/scsi_tree.h"
#include "storage/scsi_queries.h"
#include "support/test_environment.h"

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
            const auto found = committed.find(path);
            EXPECT_EQ(found == committed.end() ? "(missing)" : found->second, contents)
                << path << " differs; rerun orb_scsi_tree";
        }
        // With every entry of the layout there, a larger tree holds entries the layout lacks.
        EXPECT_EQ(committed.size(), expected.size()) << "rerun orb_scsi_tree";
    }
}

std::string text(char* raw) {
    orbMallocText owned(raw);
    return owned ? std::string(owned.get()) : std::string("(null)");
}

// A drive entry of its own below /sys/class/scsi_device, as a plain folder.
void writeDriveAttribute(const std::string& address, const std::string& attribute,
                         const std::string& contents) {
    orbtest::writeFile(
        orbtest::rootPath("/sys/class/scsi_device/" + address + "/device/" + attribute), contents);
}

TEST(ScsiSysfsQueries, DrivesOfTheDefaultHost) {
    struct Case {
        const char *address, *generic, *block, *vendor, *model, *vpdSerial, *inquirySerial;
        unsigned long long sectors;
        const char* durable;
    };
    const Case cases[] = {
        {"0:0:0:0", "sg0", "sda", "ATA     ", "SAMSUNG MZ7LH480", "S45PNA0M612345      ", "",
         937703088, "naa."},
        {"8:0:1:0", "sg3", "sdd", "HGST    ", "HUC101818CS4204 ", "0BG1XYZQ",
         "0BG1XYZQ            ", 3516328368, "naa.5000cca02b3c4d5c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(text(get_ScsiGeneric(c.address)), c.generic);
        EXPECT_EQ(get_BlockSize(c.address), c.sectors);
        EXPECT_EQ(text(get_DiskVendor(c.address)), c.vendor);
        EXPECT_EQ(text(get_DiskModel(c.address)), c.model);
        EXPECT_TRUE(is_direct_access_block_device(c.address));
        EXPECT_EQ(text(get_unit_sn_from_sysfs_vpd_pg80(c.address)), c.vpdSerial);
        EXPECT_EQ(text(get_unit_sn_from_sysfs_inquiry(c.address)), c.inquirySerial);
        EXPECT_EQ(text(get_durableName_from_block_vpd_pg83(c.block)).rfind(c.durable, 0), 0u);
    }
}

TEST(ScsiSysfsQueries, AddressesThatLeadOutOfTheTreeAreRefused) {
    for (const char* address : {"../../../etc", "..", ".", "", "8:0:0:0/../../8:0:1:0"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(get_DiskModel(address), nullptr);
        EXPECT_EQ(get_ScsiGeneric(address), nullptr);
        EXPECT_EQ(get_durableName_from_block_vpd_pg83(address), nullptr);
    }
}

TEST(ScsiSysfsQueries, HandMadeEntries) {
    // Older kernels name the generic device "scsi_generic:sgN"; the device is sgN.
    writeDriveAttribute("7:0:0:0", "scsi_generic/scsi_generic:sg7/dev", "21:7\n");
    writeDriveAttribute("7:0:0:0", "block/block:sdh/size", "1000\n");
    EXPECT_EQ(text(get_ScsiGeneric("7:0:0:0")), "sg7");
    EXPECT_EQ(get_BlockSize("7:0:0:0"), 1000u);
    writeDriveAttribute("7:0:0:0", "type", "13\n");  // an enclosure, not a disk
    EXPECT_FALSE(is_direct_access_block_device("7:0:0:0"));

    writeDriveAttribute("7:0:0:0", "vpd_pg80", std::string("\x00\x80\x00\x04", 4));
    writeDriveAttribute("7:0:0:0", "inquiry", std::string(40, ' '));
    EXPECT_EQ(get_unit_sn_from_sysfs_vpd_pg80("7:0:0:0"), nullptr);
    EXPECT_EQ(get_unit_sn_from_sysfs_inquiry("7:0:0:0"), nullptr);
}

TEST(SasHbaQueries, AdapterAndDriveLocations) {
    _ORB_SAS_HBA_CONFIG config;
    // The SmartRAID's second port: its driver names no board, its firmware is enough.
    ASSERT_EQ(SasGetHbaConfig("host11", &config), 0);
    EXPECT_STREQ(config.boardName, "");
    EXPECT_STREQ(config.firmwareVersion, "5.61-0");
    EXPECT_STREQ(config.boardTracer, "SR3154A0123456");
    EXPECT_EQ(config.sasAddress, 0x50000d1e00a1b208ull);
    EXPECT_EQ(SasGetHbaConfig("host0", &config), -1);  // a SATA port has no SAS adapter data

    EXPECT_EQ(text(SasGetScsiAddress(0x5000cca02b3c4d5eull)), "8:0:1:0");
    EXPECT_EQ(text(SasGetHbaConnector("8:0:1:0")), "CN0");

    unsigned long long enclosure = 0;
    int bay = -1;
    ASSERT_EQ(SasGetLocation("11:0:0:0", &enclosure, &bay), 0);
    EXPECT_EQ(enclosure, 0x50000d1e00a1b23eull);
    EXPECT_EQ(bay, 2);
    EXPECT_EQ(SasGetLocation("0:0:0:0", &enclosure, &bay), -1);
}

}  // namespace
