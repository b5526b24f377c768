// A stop returns within its two seconds even when the work of a service thread ignores it: a
// manager that keeps the push thread, a driver that keeps a transfer. The thread is then left
// to end on its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

#include "core/factory.h"
#include "report/doorbell_service.h"
#include "report/event_handler.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_transport.h"
#include "report/ipmi_utils.h"
#include "support/fake_manager.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["HostOSInfo"]})");

using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

// Long enough to outlast a stop, short enough to end while the process exits.
constexpr auto kStall = 2500ms;

// A manager whose inventory takes long and cannot be cut short.
class StallingManager : public orbtest::FakeManager {
  public:
    int getInventoryJsonObject(std::vector<Json::Value>& out) override {
        stalling = true;
        std::this_thread::sleep_for(kStall);
        return FakeManager::getInventoryJsonObject(out);
    }
    std::atomic<bool> stalling{false};
};

// A driver whose every request takes long and then fails, whatever the stop.
class StallingTransport : public ipmi::IPMITransport {
  public:
    int openDevice() override { return 3; }
    int sendRequest(int, const ipmi::IPMIRequest&) override {
        ++stalls;
        std::this_thread::sleep_for(kStall);
        return EIO;
    }
    ipmi::IPMIWait waitForReply(int, std::chrono::milliseconds) override {
        return ipmi::IPMIWait::Failed;
    }
    bool receiveReply(int, ipmi::IPMIReply&) override { return false; }
    void closeDevice(int) override {}

    std::atomic<int> stalls{0};
};

StallingManager host;

class StopDeadline : public ::testing::Test {
  protected:
    void SetUp() override {
        orbtest::installAsHostManager(host);
        ipmi::IPMIUtils::setTransport(transport);
    }

    std::shared_ptr<StallingTransport> transport = std::make_shared<StallingTransport>();
};

// The push thread and the event sender are both stuck: one deadline covers the two.
TEST_F(StopDeadline, AggregatorStopWithThePushAndAnEventStuck) {
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(orbtest::waitFor([] { return host.stalling.load(); }));
    orbEventHandler::generateEvent(
        orbEvent(356, "NotApplicable", "Host", false, "2026-01-31 13:05:09", "NA", "ORB"));
    ASSERT_TRUE(orbtest::waitFor([&] { return transport->stalls.load() > 0; }));
    orbtest::LogMark mark;
    EXPECT_LT(orbtest::timeOf(orbJsonAggregator::stoporbJsonAggregator), 2s);
    EXPECT_THAT(mark.mainSince(), HasSubstr("The inventory push thread has not stopped"));
    EXPECT_THAT(mark.mainSince(), HasSubstr("The event sender thread has not stopped"));
}

TEST_F(StopDeadline, DoorbellStopWithAPollStuck) {
    orbIPMIDBService::setPollIntervalForTests(50ms);
    orbIPMIDBService::startorbIPMIDBService();
    ASSERT_TRUE(orbtest::waitFor([&] { return transport->stalls.load() > 0; }));
    orbtest::LogMark mark;
    EXPECT_LT(orbtest::timeOf(orbIPMIDBService::stoporbIPMIDBService), 2s);
    EXPECT_THAT(mark.mainSince(), HasSubstr("The door-bell thread has not stopped"));
}

}  // namespace
