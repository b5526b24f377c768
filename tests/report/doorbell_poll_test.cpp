#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "report/ipmi_utils.h"
#include "sim/rmc/simulated_rmc.h"
#include "support/test_environment.h"

using orbsim::ExchangeFault;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

using namespace std::chrono_literals;

class DoorbellPoll : public ::testing::Test {
  protected:
    void SetUp() override {
        rmc = std::make_shared<orbsim::SimulatedRMC>();
        rmc->setCommandPause(0ms);
        rmc->setReplyTimeout(50ms);
        ipmi::IPMIUtils::setTransport(rmc);
    }
    void TearDown() override {
        EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
        EXPECT_EQ(rmc->openDescriptors(), 0u);
        ipmi::IPMIUtils::setTransport(nullptr);
    }

    bool poll() {
        ipmi::IPMIUtils device;
        return device.checkIPMIDBRequest();
    }

    std::shared_ptr<orbsim::SimulatedRMC> rmc;
};

TEST_F(DoorbellPoll, AsksForInventoryOnlyWhenItsTextHoldsWriteInventory) {
    struct Case {
        const char* what;
        std::string text;  // what the RMC answers
        bool request;
        std::string logged;  // the text as the host reads it
    };
    const std::string full(254, 'x');
    const Case cases[] = {
        {"the word alone", "WriteInventory", true, "WriteInventory"},
        {"between other text", "GetStatus;WriteInventory;Reset", true,
         "GetStatus;WriteInventory;Reset"},
        {"lower case", "writeinventory", false, "writeinventory"},
        {"upper case", "WRITEINVENTORY", false, "WRITEINVENTORY"},
        {"cut short", "WriteInvent", false, "WriteInvent"},
        {"empty", "", false, ""},
        {"the full 254 bytes, no terminating zero", full.substr(14) + "WriteInventory", true,
         full.substr(14) + "WriteInventory"},
        {"254 bytes without the word", full, false, full},
        {"the word past the 254 bytes asked for", full + "..WriteInventory", false, full},
        {"the word after a zero byte", std::string("Idle\0WriteInventory", 19), false, "Idle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rmc->ringDoorbell(c.text);
        orbtest::LogMark mark;
        EXPECT_EQ(poll(), c.request);
        EXPECT_THAT(mark.debugSince(), HasSubstr("IPMI: Checking IPMI door bell request\n"));
        EXPECT_THAT(mark.debugSince(),
                    HasSubstr("IPMI: Return buffer from door bell: " + c.logged + "\n"));
        EXPECT_THAT(mark.mainSince(), Not(HasSubstr("[ERROR]")));
    }
}

TEST_F(DoorbellPoll, FailedPollIsAnErrorAndNoRequest) {
    struct Case {
        const char* what;
        ExchangeFault fault;
    };
    const Case cases[] = {
        {"send fails", ExchangeFault::SendFails},
        {"no reply", ExchangeFault::NoReply},
        {"error completion code", ExchangeFault::CompletionCode},
    };
    rmc->ringDoorbell("WriteInventory");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rmc->clearFaults();
        rmc->failDoorbellPoll(c.fault);
        orbtest::LogMark mark;
        EXPECT_FALSE(poll());
        EXPECT_THAT(mark.mainSince(), HasSubstr("IPMI: An error occurred in checking RMC request "
                                                "via IPMI\n"));
    }

    rmc->clearFaults();
    rmc->setDeviceMissing(true);
    orbtest::LogMark mark;
    EXPECT_FALSE(poll());
    EXPECT_THAT(mark.mainSince(), HasSubstr("An error occurred in checking RMC request via IPMI"));
}

TEST_F(DoorbellPoll, SimulatedRMCRingsAtItsMomentUntilTheInventoryArrives) {
    rmc->ringDoorbellAt(3600s, "WriteInventory");
    EXPECT_FALSE(poll());
    rmc->ringDoorbellAt(0s, "WriteInventory");
    EXPECT_TRUE(poll());
    EXPECT_TRUE(poll()) << "the host only reads the door bell, it never clears it";

    ASSERT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", "{}"), 0);
    EXPECT_TRUE(poll()) << "an event is no inventory";
    ASSERT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("WriteInventory", "{}"), 0);
    EXPECT_FALSE(poll());
    EXPECT_EQ(rmc->doorbellPolls(), 5u);
}

}  // namespace
