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

TEST_F(StartupFileTest, JudgesTheBootFromThePreviousRunsRecord) {
    using V = orbBootVerdict;
    const long boot = 5000;
    struct Case {
        const char* record;  // nullptr: no file at all
        V verdict;
    } cases[] = {
        {nullptr, V::NothingToReport},
        {"last_start 1000\nlast_stop 4999\n", V::RebootAfterOrderlyStop},
        {"last_start 1000\nlast_stop 5000\n", V::RestartAfterOrderlyStop},
        {"last_start 4999\nlast_stop 1000\n", V::RebootAfterUncleanEnd},
        {"last_start 5000\nlast_stop 1000\n", V::RestartAfterUncleanEnd},
        {"last_start 1000\nlast_stop 1000\n", V::NothingToReport},
        // A missing value reads as 0: a start never followed by a stop is an unclean end.
        {"current_start 0\nlast_start 1000\n", V::RebootAfterUncleanEnd},
        {"last_stop 2000\n", V::NothingToReport},
        // Text where a count of seconds belongs makes the whole record unusable.
        {"last_start 1000\nlast_stop abc\n", V::NothingToReport},
        {"last_start -5\nlast_stop 12\n", V::NothingToReport},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record ? c.record : "(no file)");
        std::remove(path.c_str());
        if (c.record) {
            orbtest::writeFile(path, c.record);
        }
        EXPECT_EQ(file.judgeBoot(boot), c.verdict);
    }
}

TEST_F(StartupFileTest, RecordsTheStartWithoutLosingThePreviousRun) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"last_start abc\nlast_stop 12\n", "current_start 40\nlast_start 0\nlast_stop 0\n"},
        {"# kept\nlast_start 5\nlast_stop 6\ncurrent_start 0\nother 1\n",
         "# kept\nlast_start 5\nlast_stop 6\ncurrent_start 40\nother 1\n"},
        {"last_start 5\nlast_stop 6", "last_start 5\nlast_stop 6\ncurrent_start 40\n"},
        {"", "current_start 40\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        orbtest::writeFile(path, c.before);
        ASSERT_TRUE(file.recordStart(40));
        EXPECT_EQ(contents(), c.after);
    }
    // This run becomes the last start even when the record had no such line.
    ASSERT_TRUE(file.promoteCurrentStart());
    EXPECT_EQ(contents(), "current_start 40\nlast_start 40\n");
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
