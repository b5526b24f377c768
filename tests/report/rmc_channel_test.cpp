#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "report/ipmi_utils.h"
#include "sim/rmc/simulated_rmc.h"
#include "support/test_environment.h"

using orbsim::ExchangeFault;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

using namespace std::chrono_literals;

// Text like the JSON documents the service sends, different for every length.
std::string payloadOf(size_t length) {
    static const char kAlphabet[] = "{}[]\":,. 0123456789abcdefghijklmnopqrstuvwxyzABCDEFXYZ";
    std::string text(length, ' ');
    for (size_t i = 0; i < length; ++i) {
        text[i] = kAlphabet[(i * 31 + length) % (sizeof(kAlphabet) - 1)];
    }
    return text;
}

class RMCChannel : public ::testing::Test {
  protected:
    void SetUp() override {
        rmc = std::make_shared<orbsim::SimulatedRMC>();
        rmc->setCommandPause(0ms);
        rmc->setReplyTimeout(50ms);
        ipmi::IPMIUtils::setTransport(rmc);
    }
    void TearDown() override {
        EXPECT_EQ(rmc->openDescriptors(), 0u) << "a device object was not closed";
        ipmi::IPMIUtils::setTransport(nullptr);
    }

    // Packets the RMC received since the last call.
    size_t newPackets() {
        const size_t total = rmc->packets().size();
        const size_t fresh = total - packetsSeen;
        packetsSeen = total;
        return fresh;
    }
    bool poll() {
        ipmi::IPMIUtils device;
        return device.checkIPMIDBRequest();
    }

    std::shared_ptr<orbsim::SimulatedRMC> rmc;
    size_t packetsSeen = 0;
};

TEST_F(RMCChannel, EveryPayloadSizeTakesItsExchangesAndArrivesByteExact) {
    const std::pair<size_t, unsigned> cases[] = {{0, 1},  {1, 1},   {32, 1},    {33, 2},
                                                 {56, 2}, {57, 2},  {58, 2},    {89, 2},
                                                 {90, 3}, {100, 3}, {4096, 73}, {1 << 20, 18397}};
    for (const auto& [length, exchanges] : cases) {
        SCOPED_TRACE("payload of " + std::to_string(length) + " bytes");
        const std::string payload = payloadOf(length);
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("WriteInventory", payload), 0);
        ASSERT_FALSE(rmc->commands().empty());
        const orbsim::RMCCommand arrived = rmc->commands().back();
        EXPECT_EQ(arrived.command, "WriteInventory");
        EXPECT_TRUE(arrived.payload == payload) << "payload differs at the RMC";
        EXPECT_EQ(arrived.packets, exchanges);
        EXPECT_EQ(newPackets(), exchanges);
    }
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, HundredBytePayloadGoesOutAsThirtyThreeFiftySevenAndEleven) {
    const std::string payload = payloadOf(100);
    ASSERT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 0);
    const std::vector<std::vector<unsigned char>> packets = rmc->packets();
    ASSERT_EQ(packets.size(), 3u);

    std::vector<unsigned char> expected(60, 0);
    expected[2] = 0x14;
    const std::string name = "MPEventGen";
    std::copy(name.begin(), name.end(), expected.begin() + 3);
    expected[23] = 101;  // 100 bytes and the terminating zero, little-endian
    std::copy(payload.begin(), payload.begin() + 33, expected.begin() + 27);
    EXPECT_EQ(packets[0], expected);

    // Later packets: the handle of the previous answer, 0x00, then payload from byte 3 on; the
    // last one ends with 10 payload bytes and the terminating zero.
    for (size_t i = 1; i < 3; ++i) {
        expected.assign(60, 0);
        expected[0] = packets[i][0];
        expected[1] = packets[i][1];
        std::copy(payload.begin() + 33 + 57 * (i - 1), payload.begin() + std::min(90 * i, 100ul),
                  expected.begin() + 3);
        EXPECT_EQ(packets[i], expected) << "packet " << i + 1;
        EXPECT_TRUE(packets[i][0] != 0 || packets[i][1] != 0) << "no handle echoed";
    }
    // The RMC hands out a new handle with every answer and checks that the next packet
    // carries it.
    EXPECT_NE(packets[1][0], packets[2][0]);
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, CommandNameMustFitItsNineteenCharacters) {
    const std::pair<std::string, int> cases[] = {
        {"ABCDEFGHIJKLMNOPQRS", 0},           // 19 characters and the zero in byte 22
        {"ABCDEFGHIJKLMNOPQRST", 1},          // would overwrite the length field
        {std::string(300, 'N'), 1},           // would run past the packet
        {std::string("MPEvent\0Gen", 11), 1}  // would name another command
    };
    for (const auto& [name, result] : cases) {
        SCOPED_TRACE("name of " + std::to_string(name.size()) + " characters");
        orbtest::LogMark mark;
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution(name, "{}"), result);
        EXPECT_EQ(newPackets(), result == 0 ? 1u : 0u);
        if (result == 0) {
            EXPECT_EQ(rmc->commands().back().command, name);
        } else {
            EXPECT_THAT(mark.mainSince(), HasSubstr("is not 1 to 19 characters long"));
        }
    }
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, TransferStatusesUpToTwoContinueAndHigherOnesStopWithTheirMessage) {
    struct Case {
        unsigned char status;
        const char* message;  // nullptr: the transfer goes on
    };
    const Case cases[] = {
        {0, nullptr},
        {1, nullptr},
        {2, nullptr},
        {3, "Transfer Status is 0x3[Error in index] and Cmd Exit Status is 0x7\n"},
        {4, "Transfer Status is 0x4[Cli entries full] and Cmd Exit Status is 0x7\n"},
        {5, "Transfer Status is 0x5[Provided command not supported] and Cmd Exit Status is 0x7\n"},
        {6, "Transfer Status is 0x6[Memory could not be allocated] and Cmd Exit Status is 0x7\n"},
        {7, "RMC Cli Command Execution failed\n"},
        {8,
         "Transfer Status is 0x8[Request command length exceeded] and Cmd Exit Status is 0x7. "
         "Payload size:130\n"},
        {9, "RMC Cli Command Execution failed\n"},
        {255, "RMC Cli Command Execution failed\n"},
    };
    const std::string payload = payloadOf(130);  // three packets: 33, 57 and 41 bytes
    for (const Case& c : cases) {
        SCOPED_TRACE("transfer status " + std::to_string(c.status));
        rmc->clearFaults();
        for (unsigned packet = 1; packet <= 3; ++packet) {
            rmc->answerTransferStatus(packet, c.status, 7);
        }
        orbtest::LogMark mark;
        const bool stops = c.message != nullptr;
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), stops ? 1 : 0);
        EXPECT_EQ(newPackets(), stops ? 1u : 3u);
        EXPECT_EQ(rmc->commands().back().transferStatus, c.status);
        if (stops) {
            EXPECT_THAT(mark.mainSince(), HasSubstr("[ERROR]   "));
            EXPECT_THAT(mark.mainSince(), HasSubstr(std::string("IPMI: ") + c.message));
        } else {
            EXPECT_TRUE(rmc->commands().back().payload == payload);
            EXPECT_THAT(mark.mainSince(), Not(HasSubstr("[ERROR]")));
        }
    }
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, FailedExchangeIsReportedAsFailureAndEndsTheTransfer) {
    struct Case {
        const char* what;
        ExchangeFault fault;
        unsigned packet;
    };
    const Case cases[] = {
        {"send fails on the first packet", ExchangeFault::SendFails, 1},
        {"send fails later", ExchangeFault::SendFails, 2},
        {"no reply", ExchangeFault::NoReply, 2},
        {"no reply to the last packet", ExchangeFault::NoReply, 3},
        {"short reply", ExchangeFault::ShortReply, 1},
        {"short reply to the last packet", ExchangeFault::ShortReply, 3},
        {"error completion code", ExchangeFault::CompletionCode, 1},
        {"error completion code on the last packet", ExchangeFault::CompletionCode, 3},
    };
    const std::string payload = payloadOf(130);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rmc->clearFaults();
        rmc->failPacket(c.packet, c.fault);
        orbtest::LogMark mark;
        const size_t commandsBefore = rmc->commands().size();
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 1);
        EXPECT_EQ(newPackets(), c.fault == ExchangeFault::SendFails ? c.packet - 1 : c.packet)
            << "the transfer went on";
        EXPECT_EQ(rmc->commands().size(), commandsBefore) << "the RMC ran the command";
        EXPECT_THAT(mark.mainSince(), HasSubstr("Error occurred while executing RMC_CLI_Exec"));
    }
    // The RMC takes the next command from its first packet, whatever was left half-sent.
    rmc->clearFaults();
    EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 0);
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, ConcurrentCommandsAndDoorbellPollsNeverInterleave) {
    constexpr int kSenders = 3;
    constexpr int kCommandsEach = 10;
    constexpr unsigned kPolls = 40;
    const std::string body = payloadOf(2000);  // 36 packets each
    std::atomic<int> waiting{kSenders + 1};
    auto startTogether = [&waiting] {
        --waiting;
        while (waiting.load() > 0) {
            std::this_thread::yield();
        }
    };
    std::vector<std::thread> threads;
    for (int sender = 0; sender < kSenders; ++sender) {
        threads.emplace_back([&, sender] {
            startTogether();
            for (int i = 0; i < kCommandsEach; ++i) {
                std::string payload = "sender " + std::to_string(sender) + " " + body;
                EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 0);
            }
        });
    }
    threads.emplace_back([&] {
        startTogether();
        for (unsigned i = 0; i < kPolls; ++i) {
            EXPECT_FALSE(poll());
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
    ASSERT_EQ(rmc->commands().size(), static_cast<size_t>(kSenders * kCommandsEach));
    for (const orbsim::RMCCommand& command : rmc->commands()) {
        EXPECT_THAT(command.payload, HasSubstr(body));
    }
    EXPECT_EQ(rmc->doorbellPolls(), kPolls);
}

TEST_F(RMCChannel, DoorbellAsksForInventoryOnlyWhenItsTextHoldsWriteInventory) {
    struct Case {
        const char* what;
        std::string text;  // what the RMC answers
        bool request;
        std::string read;  // the text as the host reads it
    };
    const std::string full(254, 'x');
    const std::string fullWithWord = full.substr(14) + "WriteInventory";
    const Case cases[] = {
        {"the word alone", "WriteInventory", true, "WriteInventory"},
        {"between other text", "Get;WriteInventory;Reset", true, "Get;WriteInventory;Reset"},
        {"lower case", "writeinventory", false, "writeinventory"},
        {"cut short", "WriteInvent", false, "WriteInvent"},
        {"empty", "", false, ""},
        {"the full 254 bytes, no terminating zero", fullWithWord, true, fullWithWord},
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
                    HasSubstr("IPMI: Return buffer from door bell: " + c.read + "\n"));
    }
}

TEST_F(RMCChannel, FailedDoorbellPollIsAnErrorAndNoRequest) {
    rmc->ringDoorbell("WriteInventory");
    for (ExchangeFault fault :
         {ExchangeFault::SendFails, ExchangeFault::NoReply, ExchangeFault::CompletionCode}) {
        SCOPED_TRACE(static_cast<int>(fault));
        rmc->clearFaults();
        rmc->failDoorbellPoll(fault);
        orbtest::LogMark mark;
        EXPECT_FALSE(poll());
        EXPECT_THAT(mark.mainSince(),
                    HasSubstr("IPMI: An error occurred in checking RMC request via IPMI\n"));
    }
}

TEST_F(RMCChannel, SimulatedDoorbellRingsAtItsMomentUntilTheInventoryArrives) {
    rmc->ringDoorbellAt(3600s, "WriteInventory");
    EXPECT_FALSE(poll());
    rmc->ringDoorbellAt(0s, "WriteInventory");
    EXPECT_TRUE(poll());
    ASSERT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", "{}"), 0);
    EXPECT_TRUE(poll()) << "an event is no inventory";
    ASSERT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("WriteInventory", "{}"), 0);
    EXPECT_FALSE(poll());
}

}  // namespace
