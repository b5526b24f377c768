#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "core/shell_command.h"
#include "host/startup_file.h"
#include "support/hung_tool.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["HostOSInfo"]})");

using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

struct ExitCase {
    const char* name;
    const char* hungTool;  // null: every tool answers
    const char* hungArgs;
};

class ExitWithoutStop : public ::testing::TestWithParam<ExitCase> {};

// A host process that leaves main with the managers running ends normally, and the managers
// are stopped in order on the way out.
TEST_P(ExitWithoutStop, EndsTheProcessNormallyAndRecordsTheStop) {
    const ExitCase& c = GetParam();
    const std::string startup = orbtest::rootPath("/var/tmp/vexORBStartup.txt");
    std::remove(startup.c_str());
    std::string marker;
    if (c.hungTool != nullptr) {
        orbtest::hangTool(c.hungTool, c.hungArgs);
        marker = orbtest::hungToolMarker(c.hungTool);
    }
    const std::string program = orbtest::binaryPath("tests/core/orb_exit_without_stop");
    orbtest::LogMark mark;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(orbRunShellCommand(orbShellQuote(program) + " " + orbShellQuote(marker), 60s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);

    EXPECT_THAT(mark.mainSince(), HasSubstr("exiting with resource managers running"));
    orbStartupFile file(startup, startup + ".scratch");
    EXPECT_EQ(file.readStartupValue("current_start"), 0);
    EXPECT_GT(file.readStartupValue("last_start"), 0);
    EXPECT_GE(file.readStartupValue("last_stop"), file.readStartupValue("last_start"));
}

const ExitCase kExitCases[] = {
    {"Running", nullptr, nullptr},
    {"LocalcliHung", "localcli", "hardware pci list"},
};

INSTANTIATE_TEST_SUITE_P(JobManager, ExitWithoutStop, ::testing::ValuesIn(kExitCases),
                         [](const ::testing::TestParamInfo<ExitCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
