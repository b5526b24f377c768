#include "report/inventory_aggregator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "core/factory.h"
#include "report/ipmi_utils.h"
#include "report/json_text.h"
#include "support/fake_manager.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

using namespace std::chrono_literals;
using orbtest::FakeManager;
using orbtest::parseJson;
using orbtest::waitFor;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

FakeManager fakes[5];

class InventoryAggregator : public ::testing::Test {
  protected:
    void SetUp() override {
        rmc->setReplyTimeout(200ms);
        orbFactory::registerManager(0, [] { return static_cast<orbResourceManager*>(&fakes[0]); });
        orbFactory::registerManager(1, [] { return static_cast<orbResourceManager*>(&fakes[1]); });
        orbFactory::registerManager(2, [] { return static_cast<orbResourceManager*>(&fakes[2]); });
        orbFactory::registerManager(3, [] { return static_cast<orbResourceManager*>(&fakes[3]); });
        orbFactory::registerManager(4, [] { return static_cast<orbResourceManager*>(&fakes[4]); });
    }
    void TearDown() override {
        orbJsonAggregator::stoporbJsonAggregator();
        EXPECT_THAT(rmc->protocolErrors(), ::testing::IsEmpty());
    }

    size_t pushes() const { return rmc.count("WriteInventory"); }

    orbtest::InstalledRMC rmc;
};

Json::Value object(const char* key, int value) {
    Json::Value v(Json::objectValue);
    v[key] = value;
    return v;
}

TEST_F(InventoryAggregator, AssemblesOneEnvelopeFromEveryManager) {
    fakes[0].setElements({object("fc", 1)});
    fakes[1].setElements({object("HostOSInfo", 1), object("HostOSInfo", 2)});
    fakes[2].setKind(1, {object("sasController", 1)});
    fakes[2].setKind(2, {object("sasDrive", 1), object("sasDrive", 2)});
    fakes[3].setElements({object("nic", 1), object("nic", 2)});
    fakes[4].setKind(1, {object("nvmeController", 1)});
    fakes[4].setKind(2, {object("nvmeDrive", 1)});
    // Asked for, but never given to the aggregator by the NVMe manager.
    fakes[4].setKind(3, {object("nvmeVolume", 1)});

    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return pushes() == 1; }));

    const std::string payload = rmc->commands().back().payload;
    EXPECT_EQ(payload.find('\n'), std::string::npos);
    Json::Value envelope = parseJson(payload);
    ASSERT_TRUE(envelope.isObject());
    EXPECT_EQ(envelope.getMemberNames(), std::vector<std::string>{"HostDataCollection"});
    EXPECT_EQ(orbJsonOneLine(envelope), payload) << "keys are written sorted, on one line";

    const Json::Value& inventory = envelope["HostDataCollection"];
    EXPECT_EQ(inventory["Oem"], object("HostOSInfo", 2)) << "the last host element remains";
    Json::Value controllers(Json::arrayValue);
    controllers.append(object("sasController", 1));
    controllers.append(object("nvmeController", 1));
    EXPECT_EQ(inventory["StorageControllers"], controllers) << "SAS first, NVMe after";
    ASSERT_EQ(inventory["Drives"].size(), 3u);
    EXPECT_EQ(inventory["Drives"][2], object("nvmeDrive", 1));
    EXPECT_EQ(inventory["EthernetDevices"].size(), 2u);
    EXPECT_EQ(inventory["FibreChannelDevices"][0], object("fc", 1));
    EXPECT_FALSE(inventory.isMember("Volumes"));
    EXPECT_FALSE(inventory.isMember("StorageEnclosures"));
    EXPECT_TRUE(orbJsonAggregator::isInventorySent());
}

TEST_F(InventoryAggregator, RequestsBeforeTheFirstPushAreDroppedAndLaterOnesPushOnce) {
    fakes[1].setElements({object("HostOSInfo", 1)});
    orbtest::LogMark mark;
    orbJsonAggregator::sendInventory(false);
    orbJsonAggregator::sendInventory(true);
    ASSERT_TRUE(waitFor([&] { return pushes() == 1; }));
    EXPECT_THAT(mark.debugSince(), HasSubstr("Dropping inventory send request"));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(pushes(), 1u) << "the dropped request caused a second push";

    orbJsonAggregator::sendInventory(true);
    ASSERT_TRUE(waitFor([&] { return pushes() == 2; }));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(pushes(), 2u);
    EXPECT_THAT(mark.debugSince(), HasSubstr("Request to send inventory"));
}

TEST_F(InventoryAggregator, AManagerThatIsNeverReadyDelaysThePushByNinePollsAtMost) {
    fakes[1].setElements({object("HostOSInfo", 1)});
    fakes[2].ready = false;
    orbtest::LogMark mark;
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return pushes() == 1; }));
    EXPECT_EQ(fakes[2].readinessPolls.load(), 9);
    EXPECT_EQ(fakes[2].lastIteration.load(), 8);
    EXPECT_EQ(fakes[1].readinessPolls.load(), 9) << "every enabled manager is asked each time";
    EXPECT_THAT(mark.mainSince(), HasSubstr("RM 2 not ready with inventory"));
}

TEST_F(InventoryAggregator, AFailedPushIsReportedAndStillCountsAsTheFirst) {
    fakes[1].setElements({object("HostOSInfo", 1)});
    rmc->failPacket(2, orbsim::ExchangeFault::CompletionCode);
    orbtest::LogMark mark;
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return orbJsonAggregator::isInventorySent(); }));
    ASSERT_TRUE(waitFor([&] {
        return mark.mainSince().find("An Error occurred in delivering inventory string to RMC!") !=
               std::string::npos;
    }));
    EXPECT_THAT(mark.debugSince(), Not(HasSubstr("Success in delivering inventory")));
    EXPECT_EQ(pushes(), 0u);
}

TEST_F(InventoryAggregator, StopDuringAPushWaitsForItAndLeavesTheChannelFree) {
    Json::Value big(Json::objectValue);
    big["HostOSInfo"] = std::string(200000, 'x');
    fakes[1].setElements({big});
    // The third packet's reply never comes: the push is still on the wire at the stop.
    rmc->setReplyTimeout(2000ms);
    rmc->failPacket(3, orbsim::ExchangeFault::NoReply);
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return rmc->packets().size() >= 2; }));
    orbJsonAggregator::stoporbJsonAggregator();
    EXPECT_TRUE(orbJsonAggregator::isInventorySent());
    // Nothing is left holding the channel: another command still goes through.
    rmc->clearFaults();
    EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", "{\"ID\": 1}"), 0);
}

TEST_F(InventoryAggregator, StopWithoutAStartReturnsAtOnce) {
    orbJsonAggregator::stoporbJsonAggregator();
    orbJsonAggregator::stoporbJsonAggregator();
    EXPECT_FALSE(orbJsonAggregator::isInventorySent());
    EXPECT_EQ(rmc->commands().size(), 0u);
}

}  // namespace
