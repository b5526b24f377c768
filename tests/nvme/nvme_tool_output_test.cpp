// The readers of esxcli's NVMe answers on the forms real hosts print and on the ones that
// would mislead a looser reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nvme/nvme_tool_output.h"

namespace {

TEST(NvmeToolOutput, ReadsWhatHostsPrintAndNothingThatOnlyLooksLikeIt) {
    const std::vector<std::string> capacity = {
        "Device                    Physical Blocksize  Logical Blocksize  Logical Block Count"
        "          Size  Format Type",
        "eui.0025_ns1_backup                     4096                512                    9"
        "         0 MiB  4Kn SWE",
        "eui.0025_ns1                            4096                512           3750748848"
        "   1831420 MiB  512e",
        "eui.big                                  512         4294967296                    1"
        "         0 MiB  512n",
        "eui.huge                                 512                512  36028797018963968"
        "         0 MiB  512n",
        "eui.short                                512",
    };
    struct Capacity {
        const char* device;
        bool found;
        uint64_t bytes;
    } capacityCases[] = {
        {"eui.0025_ns1", true, 1920383410176},  // the exact row, not the longer name before it
        {"eui.0025", false, 0},
        {"eui.big", false, 0},    // a block size past 32 bits
        {"eui.huge", false, 0},   // a product past 64 bits
        {"eui.short", false, 0},  // too few columns
    };
    for (const Capacity& c : capacityCases) {
        uint64_t bytes = 0;
        EXPECT_EQ(orb_nvme_device_capacity(capacity, c.device, bytes), c.found) << c.device;
        EXPECT_EQ(bytes, c.bytes) << c.device;
    }

    struct Counter {
        const char* text;
        bool read;
        int64_t value;
    } counters[] = {{"0x4a2f", true, 18991},
                    {"3 %", true, 3},
                    {"104 %", true, 104},
                    {"0x", false, 0},
                    {"-1", false, 0},
                    {"12abc", false, 0},
                    {"0x8000000000000000", false, 0},
                    {"", false, 0}};
    for (const Counter& c : counters) {
        int64_t value = 0;
        EXPECT_EQ(orb_nvme_parse_counter(c.text, value), c.read) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    bool flag = false;
    EXPECT_TRUE(orb_nvme_parse_flag("True", flag) && flag);
    EXPECT_FALSE(orb_nvme_parse_flag("true,Volatile", flag));

    // "INTEL SSDPE2KX020T8" keeps its blank; a label is matched whole.
    const std::vector<std::string> identify = {"Controller Identify Info:", "   PCISSVID: 0x8086",
                                               "   Model Number: INTEL SSDPE2KX020T8   ",
                                               "   Serial Number:"};
    std::string value;
    EXPECT_TRUE(orb_nvme_labelled_value(identify, "Model Number", value));
    EXPECT_EQ(value, "INTEL SSDPE2KX020T8");
    EXPECT_FALSE(orb_nvme_labelled_value(identify, "Model", value));
    EXPECT_TRUE(orb_nvme_labelled_value(identify, "Serial Number", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(orb_nvme_vendor_key("0x144D"), "144d");
    EXPECT_EQ(orb_nvme_vendor_key("0x14"), "");

    // grep -B 20 may begin inside the block before: the address is the adapter's own block's.
    const std::vector<std::string> pci = {
        "   Address: 0000:d7:00.0", "   VMkernel Name:",         "0000:d8:00.0",
        "   Address: 0000:d8:00.0", "   VMkernel Name: vmhba40", "0000:d9:00.0",
        "   Address: 0000:d9:00.0", "   VMkernel Name: vmhba4"};
    std::string address;
    EXPECT_TRUE(orb_nvme_pci_address_of(pci, "vmhba4", address));
    EXPECT_EQ(address, "0000:d9:00.0");

    for (const char* name : {"vmhba4", "t10.NVMe____INTEL_SSDPE2KX020T8____PHLJ", "eui.0025:1"}) {
        EXPECT_TRUE(orb_nvme_is_safe_name(name)) << name;
    }
    for (const char* name : {"", "-A", "vmhba4;reboot", "vmhba4 x", "a'b", "$(id)", "a/b"}) {
        EXPECT_FALSE(orb_nvme_is_safe_name(name)) << name;
    }
}

}  // namespace
