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
    orbJsonAggregator::sendInventory(false);
    orbJsonAggregator::sendInventory(true);
    ASSERT_TRUE(waitFor([&] { return pushes() == 1; }));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(pushes(), 1u) << "the dropped request caused a second push";

    orbJsonAggregator::sendInventory(true);
    ASSERT_TRUE(waitFor([&] { return pushes() == 2; }));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(pushes(), 2u);
}

TEST_F(InventoryAggregator, AManagerThatIsNeverReadyDelaysThePushByNinePollsAtMost) {
    fakes[1].setElements({object("HostOSInfo", 1)});
    fakes[2].ready = false;
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return pushes() == 1; }));
    EXPECT_EQ(fakes[2].readinessPolls.load(), 9);
    EXPECT_EQ(fakes[2].lastIteration.load(), 8);
    EXPECT_EQ(fakes[1].readinessPolls.load(), 9) << "every enabled manager is asked each time";
}

// A push the RMC does not take is tried again with back-off until it is delivered, with the
// inventory as it is by then; only a delivered document counts as the first push. The outage
// is logged when it begins and when it ends.
TEST_F(InventoryAggregator, AFailedPushIsRetriedUntilDeliveredAndOnlyThenCountsAsTheFirst) {
    // The push sees every kind of failed exchange alike (the channel's own tests tell them
    // apart): the first round fails at once and is the first push, the second waits for a reply.
    orbJsonAggregator::setRetryDelays(50ms, 200ms);
    int version = 0;
    for (bool slow : {false, true}) {
        SCOPED_TRACE(slow ? "no reply" : "error reply");
        if (slow) {
            rmc->failPacket(1, orbsim::ExchangeFault::NoReply);
        } else {
            rmc->failPacket(2, orbsim::ExchangeFault::CompletionCode);
        }
        const size_t delivered = pushes();
        fakes[1].setElements({object("HostOSInfo", ++version)});
        orbtest::LogMark mark;
        if (delivered == 0) {
            orbJsonAggregator::sendInventory(false);
        } else {
            orbJsonAggregator::sendInventory(true);
        }
        ASSERT_TRUE(waitFor([&] {
            return mark.mainSince().find("An Error occurred in delivering inventory string") !=
                   std::string::npos;
        }));
        EXPECT_EQ(orbJsonAggregator::isInventorySent(), delivered > 0);
        // Changed while the push waits for its next attempt: the newer document goes out.
        fakes[1].setElements({object("HostOSInfo", ++version)});
        std::this_thread::sleep_for(600ms);
        EXPECT_EQ(pushes(), delivered);
        rmc->clearFaults();
        ASSERT_TRUE(waitFor([&] { return pushes() == delivered + 1; }));
        EXPECT_TRUE(orbJsonAggregator::isInventorySent());
        const Json::Value sent = parseJson(rmc->commands().back().payload);
        EXPECT_EQ(sent["HostDataCollection"]["Oem"], object("HostOSInfo", version));
        EXPECT_EQ(orbtest::occurrences(mark.mainSince(), "An Error occurred in delivering"), 1u);
        EXPECT_THAT(mark.mainSince(), HasSubstr("Inventory delivered to RMC after "));
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(pushes(), delivered + 1) << "pushed again after the delivery";
    }
}

// An RMC that refuses the document for good (too long for it) would refuse it again: the push
// is not repeated until the next one is due, and it counts as the first, so events flow.
TEST_F(InventoryAggregator, ARefusedPushIsNotRepeatedAndCountsAsTheFirst) {
    orbJsonAggregator::setRetryDelays(50ms, 200ms);
    rmc->answerTransferStatus(1, 8);
    fakes[1].setElements({object("HostOSInfo", 1)});
    orbtest::LogMark mark;
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return orbJsonAggregator::isInventorySent(); }));
    std::this_thread::sleep_for(400ms);
    const std::string log = mark.mainSince();
    ASSERT_THAT(log, HasSubstr("The RMC refused the inventory"));
    EXPECT_EQ(log.find("The RMC refused"), log.rfind("The RMC refused")) << "pushed again";
    EXPECT_THAT(mark.mainSince(), HasSubstr("[Request command length exceeded]"));
}

// Stopped while the RMC never answers a packet of the push, the aggregator ends within the
// budget; the push counts as not delivered, and the channel is free afterwards.
TEST_F(InventoryAggregator, StopDuringAPushEndsWithinTwoSecondsAndItIsNotDelivered) {
    Json::Value big(Json::objectValue);
    big["HostOSInfo"] = std::string(200000, 'x');
    fakes[1].setElements({big});
    rmc->setReplyTimeout(15s);
    rmc->failPacket(3, orbsim::ExchangeFault::NoReply);
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return rmc->packets().size() >= 3; }));
    orbtest::LogMark mark;
    EXPECT_LT(orbtest::timeOf(orbJsonAggregator::stoporbJsonAggregator), 2s);
    EXPECT_FALSE(orbJsonAggregator::isInventorySent());
    EXPECT_THAT(mark.mainSince(), HasSubstr("Inventory push cut short by the stop"));
    EXPECT_THAT(mark.mainSince(), Not(HasSubstr("An Error occurred in delivering")));
    rmc->clearFaults();
    EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", "{\"ID\": 1}"), 0);

    // The push thread is not started again, and says so.
    orbJsonAggregator::sendInventory(false);
    EXPECT_THAT(mark.mainSince(), HasSubstr("The inventory push thread was stopped and is not "
                                            "started again"));
}

TEST_F(InventoryAggregator, StopWithoutAStartReturnsAtOnce) {
    orbJsonAggregator::stoporbJsonAggregator();
    orbJsonAggregator::stoporbJsonAggregator();
    EXPECT_FALSE(orbJsonAggregator::isInventorySent());
    EXPECT_EQ(rmc->commands().size(), 0u);
}

}  // namespace
