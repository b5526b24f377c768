#include "report/event_handler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <numeric>
#include <thread>

#include "report/event_sender.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"
#include "report/json_text.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

// Nothing is enabled, so the first (empty) inventory push happens at the first readiness poll.
ORB_TEST_CONFIGURATION(R"({"EnableResources": ["None"]})");

using namespace std::chrono_literals;
using orbtest::parseJson;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class EventHandler : public ::testing::Test {
  protected:
    void SetUp() override {
        rmc->setReplyTimeout(100ms);
        orbEventSender::getInstance()->setRetryDelays(20ms, 100ms);
    }
    void TearDown() override { orbJsonAggregator::stoporbJsonAggregator(); }

    // The events the RMC took, by the number of their EventTime.
    std::vector<int> sent(const char* key = "ID") const {
        std::vector<int> ids;
        for (const orbsim::RMCCommand& command : rmc->commands()) {
            if (command.command == "MPEventGen" && command.transferStatus <= 2) {
                ids.push_back(std::stoi(parseJson(command.payload)[key].asString() + "0") / 10);
            }
        }
        return ids;
    }
    std::vector<int> sentIds() const { return sent(); }
    bool sentCount(size_t n) const {
        return orbtest::waitFor([&] { return sentIds().size() >= n; });
    }

    orbtest::InstalledRMC rmc;
};

orbEvent hostEvent(int id, const std::string& location = "NotApplicable") {
    return orbEvent(id, location, "Host", false, "2026-01-31 13:05:09", "Not-Available", "ORB");
}

// An event whose EventTime is its number in a sequence.
orbEvent numbered(int number) {
    return orbEvent(356, "NotApplicable", "Host", false, std::to_string(number), "Not-Available",
                    "ORB");
}

TEST_F(EventHandler, OnlyHostAndServiceEventsGoOutBeforeTheFirstInventory) {
    orbEventHandler::generateEvent(hostEvent(356));
    orbEventHandler::generateEvent(hostEvent(357));
    orbEventHandler::generateEvent(hostEvent(1443));
    ASSERT_TRUE(sentCount(2));
    EXPECT_EQ(sentIds(), (std::vector<int>{356, 1443}));

    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(orbtest::waitFor([] { return orbJsonAggregator::isInventorySent(); }));
    orbEventHandler::generateEvent(hostEvent(356));
    orbEventHandler::generateEvent(hostEvent(357));
    ASSERT_TRUE(sentCount(4));
    EXPECT_EQ(sentIds(), (std::vector<int>{356, 1443, 356, 357}));
}

TEST_F(EventHandler, TheDocumentLeavesOutWhatTheEventDoesNotHave) {
    struct Case {
        std::string location;
        Json::Value data;
        bool hasLocation;
        bool hasData;
    };
    Json::Value details(Json::objectValue);
    details["Type"] = "Drive";
    const Case cases[] = {
        {"NotAvailable", Json::Value(), false, false},
        {"Not Available", Json::Value(Json::objectValue), false, true},
        {"NotApplicable", details, false, true},
        {"0301010203040000", details, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        orbEvent event(538, c.location, "SAS", false, "2026-01-31 13:05:09", "PN-1", c.data,
                       "STOR_CTLR");
        Json::Value document = orbEventHandler::buildEventDocument(event);
        EXPECT_EQ(document.isMember("PhysicalLocation"), c.hasLocation);
        if (c.hasLocation) {
            EXPECT_EQ(document["PhysicalLocation"].asString(), c.location);
        }
        EXPECT_EQ(document.isMember("VariableData"), c.hasData);
        if (c.hasData) {
            EXPECT_EQ(document["VariableData"], c.data);
        }
        EXPECT_FALSE(document.isMember("PartNum"));
    }
}

// An RMC that fails for a while costs no event: each is delivered once it answers again, in
// the order raised, and the producer never waited. The outage is logged when it begins and
// when it ends, not at every attempt.
TEST_F(EventHandler, AfterAnOutageEveryEventArrivesInOrder) {
    // The sender sees every kind of failed exchange alike (the channel's own tests tell them
    // apart): one that is slow to fail, and one that fails at once.
    rmc->setReplyTimeout(2s);  // a reply that never comes costs its producer nothing
    for (bool slow : {true, false}) {
        SCOPED_TRACE(slow ? "no reply" : "error reply");
        const size_t before = sentIds().size();
        if (slow) {
            rmc->failPacket(2, orbsim::ExchangeFault::NoReply);
        } else {
            rmc->startOutage(0ms, 1h, orbsim::ExchangeFault::CompletionCode);
        }
        orbtest::LogMark mark;
        const auto begun = std::chrono::steady_clock::now();
        for (int i = 0; i < 30; ++i) {
            orbEventHandler::generateEvent(numbered(i));
        }
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 500ms) << "a producer waited";
        std::this_thread::sleep_for(400ms);
        EXPECT_EQ(sentIds().size(), before);
        rmc->clearFaults();
        ASSERT_TRUE(sentCount(before + 30));
        std::vector<int> order = sent("EventTime");
        order.erase(order.begin(), order.begin() + static_cast<long>(before));
        std::vector<int> raised(30);
        std::iota(raised.begin(), raised.end(), 0);
        EXPECT_EQ(order, raised);
        EXPECT_EQ(orbtest::occurrences(mark.mainSince(), "FAILURE in logging event to RMC"), 1u);
        EXPECT_EQ(orbtest::occurrences(mark.mainSince(), "Events reach the RMC again"), 1u);
    }
}

// An event the RMC refuses for good (a command it does not support) leaves the line at once:
// kept first, it would hold back every later event for ever.
TEST_F(EventHandler, AnEventRefusedForGoodIsDroppedAndTheNextOneStillGoesOut) {
    rmc->answerTransferStatus(1, 5);
    orbtest::LogMark mark;
    orbEventHandler::generateEvent(numbered(1));
    ASSERT_TRUE(orbtest::waitFor([&] {
        return mark.mainSince().find("Event 356 raised at 1 refused by the RMC: dropped") !=
               std::string::npos;
    }));
    rmc->clearFaults();
    orbEventHandler::generateEvent(numbered(2));
    ASSERT_TRUE(sentCount(1));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sent("EventTime"), std::vector<int>{2});
    EXPECT_EQ(rmc->commands().size(), 2u) << "the refused event was sent again";
}

TEST_F(EventHandler, AFullLineDropsTheOldestEventAndSaysWhich) {
    rmc->startOutage(0ms, 1h, orbsim::ExchangeFault::CompletionCode);
    orbtest::LogMark mark;
    // The first event is kept, and retried, before the line fills up.
    orbEventHandler::generateEvent(numbered(0));
    ASSERT_TRUE(orbtest::waitFor([&] {
        return mark.mainSince().find("FAILURE in logging event to RMC") != std::string::npos;
    }));
    const int raised = static_cast<int>(orbEventSender::kMaxWaitingEvents) + 3;
    for (int i = 1; i < raised; ++i) {
        orbEventHandler::generateEvent(numbered(i));
    }
    EXPECT_EQ(orbEventSender::getInstance()->waiting(), orbEventSender::kMaxWaitingEvents);
    for (int dropped = 0; dropped < 3; ++dropped) {
        EXPECT_THAT(mark.mainSince(), HasSubstr("1000 events wait for the RMC: dropping the "
                                                "oldest, event 356 raised at " +
                                                std::to_string(dropped) + "\n"));
    }
    rmc->clearFaults();
    ASSERT_TRUE(sentCount(5));
    orbEventHandler::stopEventDelivery();
    const std::vector<int> order = sent("EventTime");
    // Delivery goes on with the oldest event kept.
    ASSERT_GE(order.size(), 5u);
    EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 5),
              (std::vector<int>{3, 4, 5, 6, 7}));
}

// Stopped in the middle of a transfer the RMC never answers, the sender ends within the
// budget; the event counts as not delivered, and nothing goes out after the stop.
TEST_F(EventHandler, StopDuringASendEndsWithinTwoSecondsAndSendsNothingAfter) {
    rmc->setReplyTimeout(15s);
    rmc->failPacket(2, orbsim::ExchangeFault::NoReply);
    orbEventHandler::generateEvent(numbered(1));
    orbEventHandler::generateEvent(numbered(2));
    ASSERT_TRUE(orbtest::waitFor([&] { return rmc->packets().size() >= 2; }));
    orbtest::LogMark mark;
    EXPECT_LT(orbtest::timeOf(orbEventHandler::stopEventDelivery), 2s);
    EXPECT_THAT(mark.mainSince(), HasSubstr("Event delivery stopped with 2 events not "
                                            "delivered to the RMC, the oldest event 356 raised "
                                            "at 1\n"));
    const size_t packets = rmc->packets().size();
    rmc->clearFaults();
    orbEventHandler::generateEvent(numbered(3));
    EXPECT_THAT(mark.mainSince(), HasSubstr("Event 356 raised at 3 after event delivery "
                                            "stopped: not sent"));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(rmc->packets().size(), packets);
    EXPECT_THAT(rmc->commands(), ::testing::IsEmpty());
}

}  // namespace

// The event schema, from which the RMC's reference is written, names exactly the IDs the
// service classifies, each under the producer whose class it has; those only a local client
// sends have none.
TEST(EventSchema, ListsEveryEventIdTheServiceKnowsUnderItsProducer) {
    const Json::Value schema =
        parseJson(orbtest::readFile(orbtest::sourcePath("docs/schema/event.schema.json")));
    const std::map<std::string, int> classOf = {
        {"service", 1}, {"host", 2},          {"nic", 3},  {"fc", 4},
        {"storage", 5}, {"storage, nvme", 5}, {"nvme", 6}, {"client", -1}};
    std::map<int, int> listed;
    for (const Json::Value& entry : schema["$defs"]["eventId"]["oneOf"]) {
        const auto found = classOf.find(entry["x-producer"].asString());
        ASSERT_NE(found, classOf.end()) << entry["x-producer"];
        listed[entry["const"].asInt()] = found->second;
    }
    ASSERT_FALSE(listed.empty());
    ASSERT_EQ(listed.count(1441), 1u);
    for (int id = 0; id < 4096; ++id) {
        const auto found = listed.find(id);
        EXPECT_EQ(orbEventHandler::getEventType(id), found == listed.end() ? -1 : found->second)
            << "event " << id;
    }
}
