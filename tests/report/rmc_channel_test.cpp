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

// The log line that holds text (empty when there is none).
std::string lineWith(const std::string& log, const std::string& text) {
    const size_t found = log.find(text);
    if (found == std::string::npos) {
        return std::string();
    }
    const size_t newline = log.rfind('\n', found);
    const size_t begin = newline == std::string::npos ? 0 : newline + 1;
    return log.substr(begin, found + text.size() - begin);
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

    std::shared_ptr<orbsim::SimulatedRMC> rmc;
};

TEST_F(RMCChannel, EveryPayloadSizeTakesItsExchangesAndArrivesByteExact) {
    struct Case {
        size_t length;
        size_t exchanges;
    };
    const Case cases[] = {{0, 1},  {1, 1},  {32, 1}, {33, 2},  {56, 2},    {57, 2},
                          {58, 2}, {89, 2}, {90, 3}, {100, 3}, {4096, 73}, {1 << 20, 18397}};
    size_t packetsBefore = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("payload of " + std::to_string(c.length) + " bytes");
        const std::string payload = payloadOf(c.length);
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("WriteInventory", payload), 0);

        const std::vector<orbsim::RMCCommand> commands = rmc->commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.back().command, "WriteInventory");
        EXPECT_TRUE(commands.back().payload == payload) << "payload differs at the RMC";
        EXPECT_EQ(commands.back().packets, c.exchanges);
        EXPECT_EQ(commands.back().transferStatus, 0);
        const size_t packetsNow = rmc->packets().size();
        EXPECT_EQ(packetsNow - packetsBefore, c.exchanges);
        packetsBefore = packetsNow;
    }
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, HundredBytePayloadGoesOutAsThirtyThreeFiftySevenAndEleven) {
    const std::string payload = payloadOf(100);
    ASSERT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 0);
    const std::vector<std::vector<unsigned char>> packets = rmc->packets();
    ASSERT_EQ(packets.size(), 3u);

    std::vector<unsigned char> first(60, 0);
    first[2] = 0x14;
    const std::string name = "MPEventGen";
    std::copy(name.begin(), name.end(), first.begin() + 3);
    first[23] = 101;  // 100 bytes and the terminating zero, little-endian
    std::copy(payload.begin(), payload.begin() + 33, first.begin() + 27);
    EXPECT_EQ(packets[0], first);

    // Later packets: the handle of the previous answer, 0x00, then payload from byte 3 on.
    std::vector<unsigned char> second(60, 0);
    std::copy(payload.begin() + 33, payload.begin() + 90, second.begin() + 3);
    std::vector<unsigned char> third(60, 0);
    std::copy(payload.begin() + 90, payload.end(), third.begin() + 3);  // 10 bytes, then the zero
    for (auto [packet, expected] :
         {std::make_pair(packets[1], second), std::make_pair(packets[2], third)}) {
        EXPECT_TRUE(packet[0] != 0 || packet[1] != 0) << "no handle echoed";
        expected[0] = packet[0];
        expected[1] = packet[1];
        EXPECT_EQ(packet, expected);
    }
    // The RMC hands out a new handle with every answer; the host echoed each latest one.
    EXPECT_NE(std::make_pair(packets[1][0], packets[1][1]),
              std::make_pair(packets[2][0], packets[2][1]));
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, CommandNameMustFitItsNineteenCharacters) {
    struct Case {
        std::string name;
        int result;
    };
    const Case cases[] = {
        {"ABCDEFGHIJKLMNOPQRS", 0},           // 19 characters and the zero in byte 22
        {"ABCDEFGHIJKLMNOPQRST", 1},          // would overwrite the length field
        {std::string(300, 'N'), 1},           // would run past the packet
        {std::string("MPEvent\0Gen", 11), 1}  // would send another command
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("name of " + std::to_string(c.name.size()) + " characters");
        orbtest::LogMark mark;
        const size_t packetsBefore = rmc->packets().size();
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution(c.name, "{}"), c.result);
        if (c.result == 0) {
            ASSERT_EQ(rmc->packets().size(), packetsBefore + 1);
            EXPECT_EQ(rmc->commands().back().command, c.name);
            EXPECT_EQ(rmc->packets().back()[22], 0);
        } else {
            EXPECT_EQ(rmc->packets().size(), packetsBefore) << "an unusable name went out";
            EXPECT_THAT(mark.mainSince(), HasSubstr("is not 1 to 19 characters long"));
        }
    }
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, TransferStatusesZeroOneAndTwoLetTheTransferGoOn) {
    const std::string payload = payloadOf(130);  // three packets: 33, 57 and 41 bytes
    for (unsigned char status : {0, 1, 2}) {
        SCOPED_TRACE("transfer status " + std::to_string(status));
        rmc->clearFaults();
        for (unsigned packet = 1; packet <= 3; ++packet) {
            rmc->answerTransferStatus(packet, status);
        }
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 0);
        EXPECT_EQ(rmc->commands().back().packets, 3u);
        EXPECT_TRUE(rmc->commands().back().payload == payload);
    }
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
}

TEST_F(RMCChannel, TransferStatusAboveTwoStopsTheTransferWithItsMessage) {
    struct Case {
        unsigned char status;
        std::string message;
    };
    const Case cases[] = {
        {3, "Transfer Status is 0x3[Error in index] and Cmd Exit Status is 0x7"},
        {4, "Transfer Status is 0x4[Cli entries full] and Cmd Exit Status is 0x7"},
        {5, "Transfer Status is 0x5[Provided command not supported] and Cmd Exit Status is 0x7"},
        {6, "Transfer Status is 0x6[Memory could not be allocated] and Cmd Exit Status is 0x7"},
        {7, "RMC Cli Command Execution failed"},
        {8,
         "Transfer Status is 0x8[Request command length exceeded] and Cmd Exit Status is 0x7. "
         "Payload size:130"},
        {9, "RMC Cli Command Execution failed"},
        {0x80, "RMC Cli Command Execution failed"},
        {255, "RMC Cli Command Execution failed"},
    };
    const std::string payload = payloadOf(130);
    for (const Case& c : cases) {
        SCOPED_TRACE("transfer status " + std::to_string(c.status));
        rmc->clearFaults();
        rmc->answerTransferStatus(2, c.status, 7);
        orbtest::LogMark mark;
        const size_t packetsBefore = rmc->packets().size();
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 1);
        EXPECT_EQ(rmc->packets().size(), packetsBefore + 2) << "the transfer went on";
        EXPECT_EQ(rmc->commands().back().transferStatus, c.status);
        EXPECT_THAT(lineWith(mark.mainSince(), "IPMI: " + c.message + "\n"), HasSubstr("[ERROR]"));
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
        const size_t packetsBefore = rmc->packets().size();
        const size_t commandsBefore = rmc->commands().size();
        EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 1);
        const size_t delivered = c.fault == ExchangeFault::SendFails ? c.packet - 1 : c.packet;
        EXPECT_EQ(rmc->packets().size(), packetsBefore + delivered) << "the transfer went on";
        EXPECT_EQ(rmc->commands().size(), commandsBefore) << "the RMC ran the command";
        EXPECT_THAT(mark.mainSince(), HasSubstr("Error occurred while executing RMC_CLI_Exec"));
    }

    // The RMC takes the next command from its first packet, whatever was left half-sent.
    rmc->clearFaults();
    EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 0);
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());

    rmc->setDeviceMissing(true);
    orbtest::LogMark mark;
    EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 1);
    EXPECT_THAT(mark.mainSince(), HasSubstr("Error occurred while executing RMC_CLI_Exec"));
}

TEST_F(RMCChannel, ConcurrentCommandsAndDoorbellPollsNeverInterleave) {
    constexpr int kSenders = 3;
    constexpr int kCommandsEach = 10;
    constexpr int kPolls = 40;
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
        for (int i = 0; i < kPolls; ++i) {
            ipmi::IPMIUtils device;
            EXPECT_FALSE(device.checkIPMIDBRequest());
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
    const std::vector<orbsim::RMCCommand> commands = rmc->commands();
    ASSERT_EQ(commands.size(), static_cast<size_t>(kSenders * kCommandsEach));
    for (const orbsim::RMCCommand& command : commands) {
        EXPECT_THAT(command.payload, HasSubstr(body));
        EXPECT_EQ(command.transferStatus, 0);
    }
    EXPECT_EQ(rmc->doorbellPolls(), static_cast<unsigned>(kPolls));
}

TEST_F(RMCChannel, CommandAndItsPayloadAreLoggedBeforeSending) {
    orbtest::LogMark mark;
    ASSERT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", R"({"EventID":538})"), 0);
    EXPECT_THAT(mark.debugSince(),
                HasSubstr("IPMI: Command to be executed on RMC : MPEventGen {\"EventID\":538}\n"));
    EXPECT_THAT(mark.mainSince(), Not(HasSubstr("[ERROR]")));
}

}  // namespace
