#include "host/host_resource_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>

#include <ctime>
#include <memory>
#include <thread>

#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"
#include "support/fake_manager.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({
    "EnableResources": ["HostOSInfo"],
    "PushInventoryFrequencyInMinutes": 720
})");

using namespace std::chrono_literals;
using orbtest::parseJson;
using orbtest::waitFor;
using ::testing::HasSubstr;

namespace {

long bootTime() {
    struct sysinfo info {};
    sysinfo(&info);
    return static_cast<long>(std::time(nullptr)) - info.uptime;
}

std::string startupPath() {
    return orbtest::rootPath("/var/tmp/vexORBStartup.txt");
}

// Runs the host manager on a thread of its own, as the job manager does.
class HostManagerRun {
  public:
    HostManagerRun() : thread([] { HostResourceManager::getInstance()->init(); }) {}
    ~HostManagerRun() { stop(); }
    void stop() {
        if (thread.joinable()) {
            HostResourceManager::getInstance()->stopResourceManagerJob();
            thread.join();
        }
    }

  private:
    std::thread thread;
};

class HostResourceManagerTest : public ::testing::Test {
  protected:
    void TearDown() override {
        orbJsonAggregator::stoporbJsonAggregator();
        EXPECT_THAT(rmc->protocolErrors(), ::testing::IsEmpty());
    }

    std::vector<std::string> sent() const {
        std::vector<std::string> what;
        for (const orbsim::RMCCommand& command : rmc->commands()) {
            what.push_back(command.command == "MPEventGen"
                               ? std::to_string(parseJson(command.payload)["ID"].asInt())
                               : command.command);
        }
        return what;
    }
    bool ready() { return HostResourceManager::getInstance()->isInventoryReady(0); }

    orbtest::InstalledRMC rmc;
};

TEST_F(HostResourceManagerTest, FirstRunAfterAnOrderlyStopReportsTheRebootAndTheHost) {
    orbJsonAggregator::sendInventory(false);
    const long started = std::time(nullptr);
    {
        HostManagerRun run;
        ASSERT_TRUE(waitFor([&] { return rmc->commands().size() == 3; }));
        // The host's events are on the early list, so they precede the inventory.
        EXPECT_EQ(sent(), (std::vector<std::string>{"359", "356", "WriteInventory"}));

        Json::Value envelope = parseJson(rmc->commands()[2].payload);
        const Json::Value& oem = envelope["HostDataCollection"]["Oem"];
        EXPECT_EQ(oem.getMemberNames(), (std::vector<std::string>{"CollectionInfo", "HostOSInfo"}));
        EXPECT_EQ(oem["CollectionInfo"]["CollectionFrequencyMin"], 720);
        EXPECT_EQ(oem["HostOSInfo"]["OSVersion"], "8.0.2");
        EXPECT_EQ(oem["HostOSInfo"]["OSMemorySummary"]["TotalSystemMemoryGiB"].asDouble(), 511.0);
        EXPECT_FALSE(oem["HostOSInfo"]["IPv4Addresses"][0]["Address"].asString().empty());

        std::vector<Json::Value> copy;
        EXPECT_EQ(HostResourceManager::getInstance()->getInventoryJsonObject(copy), 0);
        ASSERT_EQ(copy.size(), 1u);
        EXPECT_EQ(copy[0], oem);
        EXPECT_TRUE(HostResourceManager::getInstance()->isRunning());
    }
    // The orderly stop is on record for the next start.
    orbStartupFile file(startupPath(), startupPath() + ".scratch");
    long lastStart = file.readStartupValue("last_start");
    EXPECT_GE(lastStart, started);
    EXPECT_GE(file.readStartupValue("last_stop"), lastStart);
    EXPECT_EQ(file.readStartupValue("current_start"), 0);
    // The hardware list is refreshed for device discovery.
    struct stat info {};
    EXPECT_EQ(stat(orbtest::rootPath("/opt/vex/orb/data/orb_hwlist.txt").c_str(), &info), 0);
}

TEST_F(HostResourceManagerTest, ASecondInitLeavesTheRunningManagerAndItsFileAlone) {
    HostManagerRun run;
    ASSERT_TRUE(waitFor([&] { return ready(); }));
    const std::string before = orbtest::readFile(startupPath());
    orbtest::LogMark mark;
    EXPECT_EQ(HostResourceManager::getInstance()->init(), 0);
    EXPECT_EQ(orbtest::readFile(startupPath()), before);
    // A refresh asked for right after a build is skipped.
    EXPECT_EQ(HostResourceManager::getInstance()->startInventory(), 0);
    EXPECT_THAT(mark.debugSince(), HasSubstr("cache was recently refreshed"));
}

TEST_F(HostResourceManagerTest, TheLastReadinessPollAsksForAPushAfterTheFirstBuild) {
    HostResourceManager* manager = HostResourceManager::getInstance();
    EXPECT_FALSE(manager->isInventoryReady(3));
    EXPECT_FALSE(manager->isInventoryReady(8));
    orbJsonAggregator::sendInventory(false);
    // Let the aggregator's first (empty-handed) push go by, so the manager's request counts.
    orbtest::LogMark mark;
    HostManagerRun run;
    ASSERT_TRUE(waitFor([&] { return ready(); }));
    EXPECT_TRUE(waitFor([&] {
        return mark.debugSince().find("hostRM Requesting cache push") != std::string::npos;
    }));
}

// What the start-up file says about the previous run, and the events that must follow.
struct BootCase {
    const char* name;
    // Start-up file text, "-" for no file at all.
    std::string record;
    std::vector<std::string> events;
};

// "%B" in a record stands for a time just after this boot.
std::string withBoot(std::string text, long boot) {
    for (size_t at = text.find("%B"); at != std::string::npos; at = text.find("%B")) {
        text.replace(at, 2, std::to_string(boot + 30));
    }
    return text;
}

class BootEvents : public HostResourceManagerTest,
                   public ::testing::WithParamInterface<BootCase> {};

TEST_P(BootEvents, FollowThePreviousRunsRecord) {
    const BootCase& c = GetParam();
    std::remove(startupPath().c_str());
    if (c.record != "-") {
        orbtest::writeFile(startupPath(), withBoot(c.record, bootTime()));
    }
    HostManagerRun run;
    ASSERT_TRUE(waitFor([&] { return ready(); }));
    EXPECT_EQ(sent(), c.events);
    // This run's start is now the last start: a crash from here on shows at the next start.
    orbStartupFile file(startupPath(), startupPath() + ".scratch");
    EXPECT_GE(file.readStartupValue("last_start"), bootTime() - 5);
}

const BootCase kBootCases[] = {
    {"FirstStartEver", "-", {}},
    {"OrderlyStopBeforeBoot", "current_start 0\nlast_start 1000\nlast_stop 2000\n", {"359", "356"}},
    {"UncleanEndBeforeBoot", "current_start 0\nlast_start 2000\nlast_stop 1000\n", {"360", "356"}},
    {"RestartAfterCrashThisBoot", "current_start %B\nlast_start %B\nlast_stop 1000\n", {}},
};

INSTANTIATE_TEST_SUITE_P(HostResourceManager, BootEvents, ::testing::ValuesIn(kBootCases),
                         [](const ::testing::TestParamInfo<BootCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
