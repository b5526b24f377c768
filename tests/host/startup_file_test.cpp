#include "host/startup_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/test_environment.h"

namespace {

struct StartupFileTest : ::testing::Test {
    std::string path = orbtest::rootPath("/var/tmp/vexORBStartup.txt");
    std::string scratch = orbtest::rootPath("/var/tmp/vexORBStartuptmp.txt");
    orbStartupFile file{path, scratch};

    void SetUp() override { std::remove(path.c_str()); }
    std::string contents() const { return orbtest::readFile(path); }
};

TEST_F(StartupFileTest, FollowsARunFromFirstStartToOrderlyStop) {
    EXPECT_EQ(file.readStartupValue("last_start"), 0);
    ASSERT_TRUE(file.recordStart(1000));
    EXPECT_EQ(contents(), "current_start 1000\nlast_start 0\nlast_stop 0\n");
    ASSERT_TRUE(file.promoteCurrentStart());
    EXPECT_EQ(contents(), "current_start 1000\nlast_start 1000\nlast_stop 0\n");
    ASSERT_TRUE(file.recordStop(1000, 1500));
    EXPECT_EQ(contents(), "last_start 1000\nlast_stop 1500\ncurrent_start 0\n");

    // The next start keeps the previous run's record until the boot decision is taken.
    ASSERT_TRUE(file.recordStart(2000));
    EXPECT_EQ(contents(), "last_start 1000\nlast_stop 1500\ncurrent_start 2000\n");
    EXPECT_EQ(file.readStartupValue("last_start"), 1000);
    EXPECT_EQ(file.readStartupValue("last_stop"), 1500);
    struct stat info {};
    EXPECT_NE(stat(scratch.c_str(), &info), 0);
}

TEST_F(StartupFileTest, DamagedRecordsReadAsUnknownAndAreNotInvented) {
    const char* damaged[] = {
        "",
        "last_start",
        "last_start abc\nlast_stop 12\n",
        "last_start 12x\nlast_stop 12\n",
        "last_start -5\nlast_stop 12\n",
        "last_start 99999999999999999999999\n",
        "garbage garbage garbage\n",
        "\x01\x02\xff\n",
    };
    for (const char* text : damaged) {
        SCOPED_TRACE(text);
        orbtest::writeFile(path, text);
        long value = -1;
        EXPECT_FALSE(file.readValue("last_start", value));
        EXPECT_EQ(file.readStartupValue("last_start"), 0);
    }
    // A damaged record is written afresh, as at a first start.
    orbtest::writeFile(path, "last_start abc\nlast_stop 12\n");
    ASSERT_TRUE(file.recordStart(40));
    EXPECT_EQ(contents(), "current_start 40\nlast_start 0\nlast_stop 0\n");
    // Extra lines of a whole record are carried along unchanged.
    orbtest::writeFile(path, "# kept\nlast_start 5\nlast_stop 6\ncurrent_start 0\nother 1\n");
    ASSERT_TRUE(file.recordStart(7));
    EXPECT_EQ(contents(), "# kept\nlast_start 5\nlast_stop 6\ncurrent_start 7\nother 1\n");
}

TEST_F(StartupFileTest, SomethingThatIsNotARecordIsLeftAlone) {
    // Present but unusable: only a missing file is created afresh.
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    EXPECT_FALSE(file.recordStart(9));
    EXPECT_FALSE(file.recordStop(9, 10));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    rmdir(path.c_str());
}

TEST_F(StartupFileTest, AFailedScratchWriteKeepsThePreviousRecord) {
    orbtest::writeFile(path, "last_start 5\nlast_stop 6\ncurrent_start 0\n");
    orbStartupFile unwritable(path, orbtest::rootPath("/no/such/folder/scratch.txt"));
    EXPECT_FALSE(unwritable.recordStop(10, 20));
    EXPECT_FALSE(unwritable.recordStart(30));
    EXPECT_EQ(contents(), "last_start 5\nlast_stop 6\ncurrent_start 0\n");
}

}  // namespace
