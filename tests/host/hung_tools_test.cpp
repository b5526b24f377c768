#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "core/job_manager.h"
#include "host/host_resource_manager.h"
#include "host/startup_file.h"
#include "support/hung_tool.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["HostOSInfo"]})");

using namespace std::chrono_literals;
using orbtest::readFile;
using orbtest::waitFor;
using ::testing::HasSubstr;

namespace {

struct HungCase {
    const char* name;
    const char* tool;
    const char* args;  // the call that hangs
};

class HungTool : public ::testing::TestWithParam<HungCase> {
  protected:
    // Stops the service, which must take less than two seconds and leave the stop on record.
    void stopAndCheck() {
        orbtest::LogMark mark;
        EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
        EXPECT_THAT(mark.mainSince(), HasSubstr("ORB Exiting Gracefully!"));
        orbStartupFile file(startup, startup + ".scratch");
        EXPECT_EQ(file.readStartupValue("current_start"), 0);
        EXPECT_GT(file.readStartupValue("last_start"), 0);
        EXPECT_GE(file.readStartupValue("last_stop"), file.readStartupValue("last_start"));
    }

    const std::string startup = orbtest::rootPath("/var/tmp/vexORBStartup.txt");
};

// A tool that never answers holds up neither the stop nor a later start.
TEST_P(HungTool, StopDuringTheCacheBuildReturnsAtOnce) {
    const HungCase& c = GetParam();
    std::remove(startup.c_str());  // a first start: no boot events to send
    orbtest::hangTool(c.tool, c.args);
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    ASSERT_TRUE(waitFor([&] { return !readFile(orbtest::hungToolMarker(c.tool)).empty(); }));

    stopAndCheck();
    const pid_t child = std::stoi(readFile(orbtest::hungToolChild(c.tool)));
    EXPECT_TRUE(waitFor([&] { return orbtest::processGone(child); }, 2s));
    // A build cut short is not published.
    EXPECT_FALSE(HostResourceManager::getInstance()->isInventoryReady(0));

    // Once the tool answers again, a new start runs afresh.
    unlink(orbtest::rootPath(std::string("/hung-bin/") + c.tool).c_str());
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    EXPECT_TRUE(waitFor([] { return HostResourceManager::getInstance()->isInventoryReady(0); }));
    stopAndCheck();
}

const HungCase kHungCases[] = {
    {"HardwareListRefresh", "localcli", "hardware pci list"},
    {"HostFacts", "localcli", "system version get"},
    {"MemorySample", "esxtop", ""},
};

INSTANTIATE_TEST_SUITE_P(HostResourceManager, HungTool, ::testing::ValuesIn(kHungCases),
                         [](const ::testing::TestParamInfo<HungCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
