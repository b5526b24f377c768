#include "host/sysfs_attribute.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "core/owned_resources.h"
#include "support/test_environment.h"

namespace {

// A hand-made attribute file below the simulated host; returns its resolved path.
std::string attribute(const std::string& name, const std::string& contents) {
    std::string path = orbtest::rootPath("/sys/test/" + name);
    orbtest::writeFile(path, contents);
    return path;
}

std::string text(const std::string& path) {
    orbMallocText value(get_sysfs_str(path.c_str()));
    return value ? std::string(value.get()) : std::string("(null)");
}

TEST(SysfsReaders, TextAndBytes) {
    EXPECT_EQ(text(attribute("driver", "mpt3sas\n")), "mpt3sas");
    EXPECT_EQ(text(attribute("vendor", "SEAGATE \n")), "SEAGATE ");  // blanks are the value's
    EXPECT_EQ(text(attribute("empty", "")), "(null)");
    EXPECT_EQ(text(attribute("zero", std::string("\0hidden", 7))), "(null)");
    EXPECT_EQ(text(orbtest::rootPath("/sys/test/missing")), "(null)");

    std::string path = attribute("long", std::string(5000, 'x') + "\n");
    EXPECT_EQ(text(path).size(), 4096u);
    size_t size = 0;
    orbMallocBytes bytes(get_sysfs_buf(path.c_str(), &size));
    EXPECT_EQ(size, 4096u);
    const std::string binary = std::string("\0\x80\0\x04", 4) + "AB\nC";
    bytes.reset(get_sysfs_buf(attribute("binary", binary).c_str(), &size));
    ASSERT_EQ(size, binary.size());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.get()), size), binary);
    EXPECT_EQ(get_sysfs_buf(attribute("nothing", "").c_str(), &size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(SysfsReaders, NumbersAndTheirFailureValues) {
    EXPECT_EQ(get_sysfs_ihex(attribute("hex", "0x1f\n").c_str()), 31u);
    EXPECT_EQ(get_sysfs_shex(attribute("plainhex", "8086\n").c_str()), 0x8086);  // a short's width
    EXPECT_EQ(get_sysfs_ullong(attribute("decimal", "2344225968\n").c_str()), 2344225968ull);
    // A text that does not scan is a failure, never a success with an unset value.
    for (const std::string& bad : {attribute("word", "running\n"), attribute("none", ""),
                                   orbtest::rootPath("/sys/test/missing")}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(get_sysfs_int(bad.c_str()), -1);
        EXPECT_EQ(get_sysfs_llhex(bad.c_str()), ULLONG_MAX);
        EXPECT_EQ(get_sysfs_chex(bad.c_str()), UCHAR_MAX);
        int untouched = 1234;
        EXPECT_EQ(_get_sysfs_numeric(bad.c_str(), "%d", &untouched), -1);
        EXPECT_EQ(untouched, 1234);
    }
}

}  // namespace
