// A host process that exits without stopping the service must exit normally: a joinable thread
// left in a singleton would end it with std::terminate.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

#include "core/factory.h"
#include "core/job_manager.h"
#include "core/stop_request.h"
#include "report/doorbell_service.h"
#include "report/event_handler.h"
#include "report/event_sender.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"
#include "sim/rmc/simulated_rmc.h"
#include "support/fake_manager.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["HostOSInfo"]})");

using namespace std::chrono_literals;

namespace {

orbtest::FakeManager host;

// Raises events from its thread until a moment after the job manager stops it. An event
// refused meanwhile, by a sender stopped before the managers, ends the process with status 3.
class EventRaisingManager : public orbtest::FakeManager {
  public:
    int init() override {
        auto until = std::chrono::steady_clock::time_point::max();
        while (std::chrono::steady_clock::now() < until) {
            if (orbStopRequested() && until == std::chrono::steady_clock::time_point::max()) {
                until = std::chrono::steady_clock::now() + 50ms;
            }
            orbEvent event(356, "NotApplicable", "Host", false, "2026-01-31 13:05:09", "NA", "ORB");
            if (!orbEventSender::getInstance()->queue(std::move(event))) {
                std::_Exit(3);
            }
            std::this_thread::sleep_for(1ms);
        }
        return 0;
    }
};
EventRaisingManager raising;

// Every service thread is waiting for an RMC that never answers when the host exits.
void exitWhileEverythingWaitsForTheRMC() {
    auto rmc = std::make_shared<orbsim::SimulatedRMC>();
    rmc->setReplyTimeout(15s);
    rmc->startOutage(0ms, 1h, orbsim::ExchangeFault::NoReply);
    ipmi::IPMIUtils::setTransport(rmc);
    orbtest::installAsHostManager(host);

    orbJsonAggregator::sendInventory(false);
    orbIPMIDBService::setPollIntervalForTests(50ms);
    orbIPMIDBService::startorbIPMIDBService();
    orbEventHandler::generateEvent(
        orbEvent(356, "NotApplicable", "Host", false, "2026-01-31 13:05:09", "NA", "ORB"));
    // Whichever exchange comes first, the event's first packet or a door-bell poll, is never
    // answered; meanwhile the others and the push (after the first one-second readiness poll)
    // wait for the channel.
    orbtest::waitFor([&] { return rmc->packets().size() + rmc->doorbellPolls() >= 1; });
    std::this_thread::sleep_for(1500ms);
    std::exit(0);
}

TEST(ExitWithoutStop, TheHostExitsNormallyWithinTheStopBudget) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EXIT(exitWhileEverythingWaitsForTheRMC(), ::testing::ExitedWithCode(0), "");
    // Three stops of at most two seconds each, after a second of waiting for the push.
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 10s);
}

// The managers' threads raise events until the job manager stops them at exit: the event
// sender they use must still take events then.
void exitWhileManagersRaiseEvents() {
    auto rmc = std::make_shared<orbsim::SimulatedRMC>();
    rmc->setCommandPause(0ms);
    ipmi::IPMIUtils::setTransport(rmc);
    orbFactory::registerManager(1, [] { return static_cast<orbResourceManager*>(&raising); });
    orbJobManager::startResourceManagers();
    orbtest::waitFor([&] { return rmc->commands().size() >= 2; });
    std::exit(0);
}

TEST(ExitWithoutStop, ManagersRaisingEventsAreStoppedBeforeTheEventSender) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exitWhileManagersRaiseEvents(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
