#include "host/sysfs_attribute.h"

#include <gtest/gtest.h>

#include "host/owned_resources.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/platform_path.h"
#include "support/test_environment.h"

namespace {

using Text = orbMallocText;
using Bytes = orbMallocBytes;

// A hand-made attribute file below the simulated host; returns its resolved path.
std::string attribute(const std::string& name, const std::string& contents) {
    std::string path = orbtest::rootPath("/sys/test/" + name);
    orbtest::writeFile(path, contents);
    return path;
}

TEST(SysfsText, FirstLineWithoutItsLineFeed) {
    struct Case {
        std::string contents;
        const char* expected;  // null: no text
    };
    const Case cases[] = {
        {"mpt3sas\n", "mpt3sas"},
        {"SEAGATE \n", "SEAGATE "},  // trailing blanks are part of the value
        {"first\nsecond\n", "first"},
        {"no line feed", "no line feed"},
        {"", nullptr},
        {"\n", ""},
        {std::string("\0hidden", 7), nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        Text text(get_sysfs_str(attribute("text" + std::to_string(n++), c.contents).c_str()));
        if (c.expected == nullptr) {
            EXPECT_EQ(text, nullptr);
        } else {
            ASSERT_NE(text, nullptr);
            EXPECT_STREQ(text.get(), c.expected);
        }
    }
    EXPECT_EQ(get_sysfs_str(orbtest::rootPath("/sys/test/missing").c_str()), nullptr);
    EXPECT_EQ(get_sysfs_str(nullptr), nullptr);
}

TEST(SysfsText, LongFileIsCutAt4096Bytes) {
    std::string path = attribute("long", std::string(5000, 'x') + "\n");
    Text text(get_sysfs_str(path.c_str()));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text.get()).size(), 4096u);

    size_t size = 0;
    Bytes bytes(get_sysfs_buf(path.c_str(), &size));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(size, 4096u);
}

TEST(SysfsBuffer, RawBytesAndTheirCount) {
    const std::string binary(
        "\x00\x80\x00\x04"
        "AB\nC",
        8);
    size_t size = 99;
    Bytes bytes(get_sysfs_buf(attribute("binary", binary).c_str(), &size));
    ASSERT_NE(bytes, nullptr);
    ASSERT_EQ(size, binary.size());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.get()), size), binary);

    size = 99;
    EXPECT_EQ(get_sysfs_buf(attribute("empty", "").c_str(), &size), nullptr);
    EXPECT_EQ(size, 0u);
    size = 99;
    EXPECT_EQ(get_sysfs_buf(orbtest::rootPath("/sys/test/missing").c_str(), &size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(SysfsNumbers, TypedReadersAndTheirFailureValues) {
    std::string hex = attribute("hex", "0x1f\n");
    std::string plainHex = attribute("plainhex", "8086\n");
    std::string decimal = attribute("decimal", "2344225968\n");
    std::string negative = attribute("negative", "-12\n");
    std::string word = attribute("word", "running\n");
    std::string empty = attribute("emptynumber", "");
    std::string missing = orbtest::rootPath("/sys/test/missing");

    EXPECT_EQ(get_sysfs_ihex(hex.c_str()), 31u);
    EXPECT_EQ(get_sysfs_shex(plainHex.c_str()), 0x8086);
    EXPECT_EQ(get_sysfs_chex(hex.c_str()), 0x1f);
    EXPECT_EQ(get_sysfs_lhex(hex.c_str()), 31ul);
    EXPECT_EQ(get_sysfs_llhex(plainHex.c_str()), 0x8086ull);
    EXPECT_EQ(get_sysfs_uint(decimal.c_str()), 2344225968u);
    EXPECT_EQ(get_sysfs_ullong(decimal.c_str()), 2344225968ull);
    EXPECT_EQ(get_sysfs_int(negative.c_str()), -12);

    // A text that does not scan is a failure, never a success with an unset value.
    for (const std::string& bad : {word, empty, missing}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(get_sysfs_int(bad.c_str()), -1);
        EXPECT_EQ(get_sysfs_uint(bad.c_str()), UINT_MAX);
        EXPECT_EQ(get_sysfs_ullong(bad.c_str()), ULLONG_MAX);
        EXPECT_EQ(get_sysfs_ihex(bad.c_str()), UINT_MAX);
        EXPECT_EQ(get_sysfs_llhex(bad.c_str()), ULLONG_MAX);
        EXPECT_EQ(get_sysfs_lhex(bad.c_str()), ULONG_MAX);
        EXPECT_EQ(get_sysfs_shex(bad.c_str()), USHRT_MAX);
        EXPECT_EQ(get_sysfs_chex(bad.c_str()), UCHAR_MAX);
        int untouched = 1234;
        EXPECT_EQ(_get_sysfs_numeric(bad.c_str(), "%d", &untouched), -1);
        EXPECT_EQ(untouched, 1234);
    }
    int value = 0;
    EXPECT_EQ(_get_sysfs_numeric(negative.c_str(), "%d", &value), 0);
    EXPECT_EQ(value, -12);
}

TEST(SysfsTree, SimulatedHostAttributesReadThroughItsLinks) {
    std::string host = orbRootPath("/sys/class/scsi_host/host8");
    Text driver(get_sysfs_str((host + "/proc_name").c_str()));
    ASSERT_NE(driver, nullptr);
    EXPECT_STREQ(driver.get(), "mpt3sas");
    EXPECT_EQ(get_sysfs_shex((host + "/device/../vendor").c_str()), 0x1000);
    EXPECT_EQ(get_sysfs_shex((host + "/device/../device").c_str()), 0x0097);
    // A SATA port's host sits below its ATA port, one level further from the PCI function.
    std::string port = orbRootPath("/sys/class/scsi_host/host0");
    EXPECT_EQ(get_sysfs_shex((port + "/device/../vendor").c_str()), USHRT_MAX);
    EXPECT_EQ(get_sysfs_shex((port + "/device/../../vendor").c_str()), 0x8086);
    EXPECT_EQ(get_sysfs_ullong(orbRootPath("/sys/block/sdc/size").c_str()), 2344225968ull);
}

}  // namespace
