// The storage service as a whole on the default host: the job manager runs the storage manager,
// the aggregator pushes, and the host changes under it as a scenario would change it. What is
// checked is what the RMC receives: the events of drives and ports and the pushed inventory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/job_manager.h"
#include "report/inventory_aggregator.h"
#include "sim/drives/simulated_drives.h"
#include "sim/scenario/scenario_player.h"
#include "storage/sas_resource_manager.h"
#include "storage/sg_exchange.h"
#include "support/document_schemas.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["StorageControllers"]})");

using namespace std::chrono_literals;
using orbtest::parseJson;
using orbtest::waitFor;

namespace {

// One poll of the controllers, with room for the event to travel.
constexpr auto kPollBound = 13s;

struct Event {
    int id;
    std::string type, location, serial, dataLocation;
};

class StorageService : public ::testing::Test {
  protected:
    void SetUp() override { orbsim::installSimulatedDrives(); }
    void TearDown() override {
        player.stop();
        orbJsonAggregator::stoporbJsonAggregator();
        orbJobManager::stopResourceManagers();
        orbsim::removeSimulatedDrives();
        EXPECT_THAT(rmc->protocolErrors(), ::testing::IsEmpty());
        EXPECT_EQ(orbtest::schemaViolations(*rmc.get()), "");
    }

    void start() {
        ASSERT_TRUE(orbJobManager::startResourceManagers());
        orbJsonAggregator::sendInventory(false);
        ASSERT_TRUE(waitFor([&] { return rmc.count("WriteInventory") == 1; }));
    }
    void change(const std::string& lines) { orbtest::applyScenario(player, lines); }

    std::vector<Event> events() const {
        std::vector<Event> seen;
        for (const Json::Value& document : rmc.events()) {
            const Json::Value& variable = document["VariableData"];
            seen.push_back({document["ID"].asInt(), variable["Type"].asString(),
                            document["PhysicalLocation"].asString(),
                            variable["Data"]["SerialNumber"].asString(),
                            variable["Data"]["Oem"]["PhysicalLocation"].asString()});
        }
        return seen;
    }
    // Waits for an event with this id (about the drive with this serial number, when given)
    // raised after the first `after` events.
    bool awaitEvent(int id, const std::string& serial, size_t after, Event* found = nullptr,
                    std::chrono::seconds bound = kPollBound) {
        return waitFor(
            [&] {
                const std::vector<Event> all = events();
                for (size_t i = after; i < all.size(); ++i) {
                    if (all[i].id == id && (serial.empty() || all[i].serial == serial)) {
                        if (found != nullptr) {
                            *found = all[i];
                        }
                        return true;
                    }
                }
                return false;
            },
            bound);
    }

    Json::Value pushedDrives() { return rmc.pushedInventory()["Drives"]; }
    static std::string status(const Json::Value& drives, const std::string& serial) {
        for (const Json::Value& drive : drives) {
            if (drive["SerialNumber"] == serial) {
                return drive["Status"]["State"].asString() + "/" +
                       drive["Status"]["Health"].asString();
            }
        }
        return "absent";
    }

    orbtest::InstalledRMC rmc;
    orbsim::ScenarioPlayer player{orbtest::root(), nullptr};
};

// One run carries a drive failing and recovering, a drive pulled and put back, a port going
// offline and coming back, and a failing chipset drive the RMC could not place.
TEST_F(StorageService, DriveAndPortChangesReachTheRmcAsEventsAndInPushedInventory) {
    start();
    // The first poll reads every drive once: only the unhealthy ones are news.
    ASSERT_TRUE(awaitEvent(539, "0BG1XYZQ", 0));
    const Json::Value first = pushedDrives();
    const std::string bay0 = [&] {
        for (const Json::Value& drive : first) {
            if (drive["SerialNumber"] == "WFK1A2B3") {
                return drive["Oem"]["PhysicalLocation"].asString();
            }
        }
        return std::string();
    }();
    ASSERT_EQ(bay0.size(), 16u);

    size_t mark = events().size();
    change(
        "0 drive sg2 fault log-2f medium-error\n"
        "0 drive sg3 remove\n"
        "0 port host8 state Offline\n"
        "0 drive sg1 fault log-ext-03 illegal-request\n");
    Event failed;
    ASSERT_TRUE(awaitEvent(538, "WFK1A2B3", mark, &failed));
    EXPECT_EQ(failed.type, "Drive");
    EXPECT_EQ(failed.location, bay0);
    EXPECT_EQ(failed.dataLocation, bay0);
    EXPECT_TRUE(awaitEvent(538, "0BG1XYZQ", mark)) << "the pulled drive";
    EXPECT_TRUE(awaitEvent(398, "", mark)) << "a port offline";
    // The events invalidated the cache: the rebuild that follows shows both drives, the pulled
    // one kept as it was last seen, offline.
    ASSERT_TRUE(waitFor(
        [&] {
            const Json::Value drives = pushedDrives();
            return status(drives, "WFK1A2B3") == "Failed/Critical" &&
                   status(drives, "0BG1XYZQ") == "Offline/Critical";
        },
        kPollBound));

    // Plugged back in alone: a poll sees the SCSI folders change, the rebuild it asks for finds
    // the drive, and the poll after that announces it.
    mark = events().size();
    change("0 drive sg3 insert\n");
    EXPECT_TRUE(awaitEvent(539, "0BG1XYZQ", mark, nullptr, 2 * kPollBound)) << "put back";

    mark = events().size();
    change(
        "0 drive sg2 fault none\n"
        "0 port host8 state Running\n");
    EXPECT_TRUE(awaitEvent(540, "WFK1A2B3", mark));
    EXPECT_TRUE(awaitEvent(397, "", mark)) << "the port back";
    EXPECT_TRUE(waitFor(
        [&] {
            const Json::Value drives = pushedDrives();
            return status(drives, "0BG1XYZQ") == "Predictive failure/Warning" &&
                   status(drives, "WFK1A2B3") == "Running/OK";
        },
        kPollBound));

    // Each change once; the chipset's SATA drive is placed by its ATA port, so it is reported
    // too.
    std::vector<std::string> raised;
    for (const Event& event : events()) {
        EXPECT_EQ(event.location.size(), 16u) << event.id << " " << event.serial;
        EXPECT_NE(event.location, "FFFFFFFFFFFFFFFF");
        raised.push_back(std::to_string(event.id) + " " + event.serial);
    }
    std::sort(raised.begin(), raised.end());
    EXPECT_EQ(raised, (std::vector<std::string>{
                          "397 SR3154A0123456", "398 SR3154A0123456", "538 0BG1XYZQ",
                          "538 WFK1A2B3", "538 ZC21ABCD", "539 0BG1XYZQ", "539 0BG1XYZQ",
                          "539 PHYG012345AB480BGN", "539 Y7K0A01TTE9F", "540 WFK1A2B3"}));
    EXPECT_EQ(status(pushedDrives(), "ZC21ABCD"), "Failed/Critical");
}

// A drive that never answers holds up neither the end of a build nor the end of a poll.
std::mutex hangMutex;
std::condition_variable hangRelease;
bool hangOn = false;
std::atomic<int> hung{0};

int hangingExchange(int fd, sg_io_hdr_t* hdr) {
    const std::string path = orbsim::descriptorPath(fd);
    if (path.size() > 8 && path.compare(path.size() - 8, 8, "/dev/sg4") == 0) {
        std::unique_lock<std::mutex> lock(hangMutex);
        if (hangOn) {
            ++hung;
            hangRelease.wait_for(lock, 30s, [] { return !hangOn; });
        }
    }
    return orbsim::simulatedSgExchange(fd, hdr);
}

TEST_F(StorageService, StopReturnsWithinTwoSecondsWhileADriveNeverAnswers) {
    orb_set_sg_exchange_handler(hangingExchange);
    for (const bool inPoll : {false, true}) {
        SCOPED_TRACE(inPoll ? "during a poll" : "during a build");
        orbtest::LogMark mark;
        hung = 0;
        if (inPoll) {
            // The first build of this run is complete once it has listed its drives.
            ASSERT_TRUE(orbJobManager::startResourceManagers());
            ASSERT_TRUE(waitFor([&] {
                return mark.debugSince().find("Printing disk instance 5") != std::string::npos;
            }));
        }
        {
            std::lock_guard<std::mutex> lock(hangMutex);
            hangOn = true;
        }
        if (!inPoll) {
            ASSERT_TRUE(orbJobManager::startResourceManagers());
        }
        ASSERT_TRUE(waitFor([] { return hung.load() > 0; }, kPollBound));
        EXPECT_EQ(mark.debugSince().find("Polling devices.") != std::string::npos, inPoll);
        const auto begun = std::chrono::steady_clock::now();
        orbJobManager::stopResourceManagers();
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
        {
            std::lock_guard<std::mutex> lock(hangMutex);
            hangOn = false;
        }
        hangRelease.notify_all();
        // Left to end on its own, it does so once the drive answers, and publishes nothing.
        ASSERT_TRUE(waitFor([] { return !SASResourceManager::getInstance()->isRunning(); }, 5s));
        if (!inPoll) {
            EXPECT_THAT(mark.mainSince(), ::testing::HasSubstr("Storage cache build stopped"));
        }
        orbJobManager::stopResourceManagers();
    }
    orb_set_sg_exchange_handler(orbsim::simulatedSgExchange);
}

}  // namespace
