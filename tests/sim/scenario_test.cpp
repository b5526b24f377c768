#include "sim/scenario/scenario.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "report/ipmi_utils.h"
#include "sim/drives/drive_description.h"
#include "sim/drives/simulated_drives.h"
#include "sim/scenario/scenario_player.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

using namespace std::chrono_literals;
using orbsim::ScenarioVerb;
using testing::HasSubstr;

namespace {

TEST(Scenario, RefusesMalformedLinesNamingTheLine) {
    const struct {
        const char* line;
        const char* why;
    } cases[] = {
        {"explode now", "expected SECONDS"},
        {"1 explode", "unknown action 'explode'"},
        {"1 write /../etc/passwd y", "absolute path"},
        {"1 drive ../sg3 condition failing", "needs a name"},
        {"1 drive sg3 colour red", "unknown drive key 'colour'"},
        {"1 drive sg3 wear 300", "bad value '300'"},
        {"1 rmc transfer-status 1 256", "packet number"},
        {"1 rmc fail-packet 1 melt", "unknown fault 'melt'"},
        {"1 write /etc/x a\001b", "control character"},
        {"1 nic vm;nic0 link Up", "expected nic NAME"},
        {"1 nic vmnic0 link down", "expected nic NAME"},
        {"1 nic vmnic0 remove now", "expected nic NAME"},
        {"1 nvme vmhba4;x remove", "adapter name"},
        {"1 nvme vmhba4 smart \"Read Only Mode true", "expected nvme ADAPTER"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<orbsim::ScenarioAction> actions;
        std::string error;
        EXPECT_FALSE(orbsim::parseScenario("# first\n0 rmc clear\n" + std::string(c.line) + "\n",
                                           actions, error));
        EXPECT_THAT(error, HasSubstr("line 3: "));
        EXPECT_THAT(error, HasSubstr(c.why));
        EXPECT_TRUE(actions.empty());
    }
    std::vector<orbsim::ScenarioAction> actions;
    std::string error;
    EXPECT_FALSE(orbsim::parseScenario("0 write /x " + std::string(orbsim::kScenarioLineLimit, 'a'),
                                       actions, error));
    EXPECT_THAT(error, HasSubstr("line 1: longer than"));
}

bool present(const std::string& fixedPath) {
    struct stat info {};
    return lstat(orbtest::rootPath(fixedPath).c_str(), &info) == 0;
}

std::string condition(const std::string& drive) {
    orbsim::DriveDescription description;
    std::string error;
    if (!orbsim::readDriveDescription(orbtest::rootPath("/dev/" + drive), description, error)) {
        return "unreadable: " + error;
    }
    return std::to_string(static_cast<int>(description.condition));
}

// The player changes the host and the RMC at the scenario's moments, and puts back what it
// took away.
TEST(Scenario, PlaysActionsAtTheirMomentsAndRestores) {
    orbtest::InstalledRMC rmc;
    const std::string state = "/sys/class/scsi_host/host8/state";
    const std::string originalState = orbtest::readFile(orbtest::rootPath(state));
    const std::string healthy = condition("sg2");
    ASSERT_EQ(symlink("/tmp", orbtest::rootPath("/etc/escape-link").c_str()), 0);

    std::vector<orbsim::ScenarioAction> actions;
    std::string error;
    ASSERT_TRUE(
        orbsim::parseScenario("0 port host8 state Offline\n"
                              "0 drive sg2 condition failing\n"
                              "0 rmc transfer-status 1 3\n"
                              "0 write /etc/escape-link/orb-scenario-escape out\n"
                              "0 drive sg4 remove\n"
                              "1 restore " +
                                  state +
                                  "\n"
                                  "1 restore /dev/sg2\n"
                                  "1 rmc clear\n"
                                  "1 drive sg4 insert\n",
                              actions, error))
        << error;
    // Descriptors the service holds across the changes.
    const int changedDrive = open(orbtest::rootPath("/dev/sg2").c_str(), O_RDONLY);
    const int unpluggedDrive = open(orbtest::rootPath("/dev/sg4").c_str(), O_RDONLY);
    auto answers = [](int fd) {
        unsigned char testUnitReady[6] = {};
        sg_io_hdr_t hdr{};
        hdr.interface_id = 'S';
        hdr.cmdp = testUnitReady;
        hdr.cmd_len = sizeof(testUnitReady);
        errno = 0;
        return orbsim::simulatedSgExchange(fd, &hdr) == 0 ? 0 : errno;
    };
    orbsim::ScenarioPlayer player(orbtest::root(), rmc.get());
    player.start(actions);

    ASSERT_TRUE(orbtest::waitFor([&] { return !present("/dev/sg4"); }, 900ms));
    EXPECT_EQ(orbtest::readFile(orbtest::rootPath(state)), "Offline\n");
    EXPECT_NE(condition("sg2"), healthy);
    EXPECT_FALSE(present("/sys/class/scsi_device/11:0:0:0"));
    EXPECT_NE(access("/tmp/orb-scenario-escape", F_OK), 0) << "a write left the host";
    EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", "{}"), 1);
    EXPECT_EQ(answers(changedDrive), 0);
    EXPECT_EQ(answers(unpluggedDrive), ENODEV);

    ASSERT_TRUE(orbtest::waitFor([&] { return present("/dev/sg4"); }, 2s));
    player.stop();
    EXPECT_EQ(orbtest::readFile(orbtest::rootPath(state)), originalState);
    EXPECT_EQ(condition("sg2"), healthy);
    EXPECT_TRUE(present("/sys/block/sde"));
    EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", "{}"), 0);
    close(changedDrive);
    close(unpluggedDrive);
}

// A run that ends before the scenario does is not held up by actions still to come, and a
// player without a host root or RMC changes nothing.
TEST(Scenario, StopsAtOnceWithActionsPending) {
    std::vector<orbsim::ScenarioAction> actions;
    std::string error;
    ASSERT_TRUE(orbsim::parseScenario("3600 rmc clear\n", actions, error)) << error;
    orbsim::ScenarioPlayer player(orbtest::root(), nullptr);
    player.start(actions);
    EXPECT_LT(orbtest::timeOf([&] { player.stop(); }), 500ms);

    // Without a root, the paths would be this machine's own.
    ASSERT_TRUE(orbsim::parseScenario("0 remove /etc/hostname\n0 rmc clear\n", actions, error));
    orbsim::ScenarioPlayer rootless("", nullptr);
    EXPECT_FALSE(rootless.apply(actions[0], error));
    EXPECT_THAT(error, HasSubstr("no simulated host root"));
    EXPECT_FALSE(rootless.apply(actions[1], error));
    EXPECT_THAT(error, HasSubstr("no simulated RMC"));
}

}  // namespace
