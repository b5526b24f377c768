#include "report/event_handler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

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
    void SetUp() override { rmc->setReplyTimeout(100ms); }
    void TearDown() override { orbJsonAggregator::stoporbJsonAggregator(); }

    std::vector<int> sentIds() const {
        std::vector<int> ids;
        for (const orbsim::RMCCommand& command : rmc->commands()) {
            if (command.command == "MPEventGen") {
                ids.push_back(parseJson(command.payload)["ID"].asInt());
            }
        }
        return ids;
    }

    orbtest::InstalledRMC rmc;
};

orbEvent hostEvent(int id, const std::string& location = "NotApplicable") {
    return orbEvent(id, location, "Host", false, "2026-01-31 13:05:09", "Not-Available", "ORB");
}

TEST_F(EventHandler, OnlyHostAndServiceEventsGoOutBeforeTheFirstInventory) {
    orbEventHandler::generateEvent(hostEvent(356));
    orbEventHandler::generateEvent(hostEvent(357));
    orbEventHandler::generateEvent(hostEvent(1443));
    EXPECT_EQ(sentIds(), (std::vector<int>{356, 1443}));

    orbtest::LogMark mark;
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(orbtest::waitFor([] { return orbJsonAggregator::isInventorySent(); }));
    EXPECT_THAT(mark.mainSince(), HasSubstr("No inventory information found!"));
    orbEventHandler::generateEvent(hostEvent(356));
    orbEventHandler::generateEvent(hostEvent(357));
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
        {"Not Applicable", Json::Value(), false, false},
        {"", Json::Value(), false, false},
        {"0301010203040000", details, true, true},
        {"FFFFFFFFFFFFFFFF", Json::Value(), true, false},
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
        EXPECT_EQ(document["ID"], 538);
        EXPECT_EQ(document["OSType"], 104);
        EXPECT_EQ(document["Source"], "STOR_CTLR");
        EXPECT_EQ(document["EventTime"], "2026-01-31 13:05:09");
        EXPECT_EQ(document["OSVersion"], "8.0.2");
        EXPECT_FALSE(document.isMember("PartNum"));
        if (document.isMember("IPv4Addresses")) {
            ASSERT_EQ(document["IPv4Addresses"].size(), 1u);
            EXPECT_FALSE(document["IPv4Addresses"][0]["Address"].asString().empty());
        }
    }
}

TEST_F(EventHandler, ItsTextIsOneSortedLineAndAFailedDeliveryIsNoSuccess) {
    Json::Value details(Json::objectValue);
    details["Type"] = "Controller";
    details["EventInfo"] = "multi\nline";
    orbtest::LogMark mark;
    orbEventHandler::generateEvent(orbEvent(356, "0301010203040000", "Host", false,
                                            "2026-01-31 13:05:09", "Not-Available", details,
                                            "ORB"));
    ASSERT_EQ(rmc->commands().size(), 1u);
    const std::string payload = rmc->commands()[0].payload;
    EXPECT_EQ(payload.find('\n'), std::string::npos);
    EXPECT_EQ(payload, orbJsonOneLine(parseJson(payload)));
    EXPECT_THAT(mark.debugSince(), HasSubstr("SUCCESS in delivering event to RMC"));

    rmc->failPacket(1, orbsim::ExchangeFault::NoReply);
    orbtest::LogMark failed;
    orbEventHandler::generateEvent(hostEvent(359));
    EXPECT_THAT(failed.mainSince(), HasSubstr("FAILURE in logging event to RMC"));
    EXPECT_THAT(failed.debugSince(), Not(HasSubstr("SUCCESS in delivering event to RMC")));
    EXPECT_EQ(orbEventHandler::sendEventToRMC("{\"ID\": 1}"), 1);
}

TEST_F(EventHandler, EventIdsFallIntoTheirClasses) {
    struct Case {
        int id;
        int type;
    };
    // The classes' edges, and early-list events that belong to no class.
    const Case cases[] = {{708, 1}, {356, 2}, {435, 2},   {1390, 3}, {383, 4},  {1391, 4},
                          {538, 5}, {837, 6}, {1148, -1}, {0, -1},   {1337, -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(orbEventHandler::getEventType(c.id), c.type) << c.id;
    }
}

}  // namespace
