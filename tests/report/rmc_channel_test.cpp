#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "report/ipmi_utils.h"
#include "support/simulated_rmc_fixture.h"
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

int send(const std::string& command, const std::string& payload) {
    return ipmi::IPMIUtils::RMC_CLI_Cmd_Execution(command, payload);
}

bool poll() {
    return ipmi::IPMIUtils().checkIPMIDBRequest();
}

class RMCChannel : public ::testing::Test {
  protected:
    void SetUp() override { rmc->setReplyTimeout(50ms); }
    void TearDown() override {
        EXPECT_EQ(rmc->openDescriptors(), 0u) << "a device object was not closed";
        EXPECT_THAT(rmc->protocolErrors(), IsEmpty());
    }
    // A command the RMC takes, which ends an outage: the next failure is logged again.
    void endOutage() {
        rmc->clearFaults();
        ASSERT_EQ(send("MPEventGen", "{}"), 0);
        newPackets();
    }
    // Packets the RMC received since the last call.
    size_t newPackets() {
        const size_t fresh = rmc->packets().size() - packetsSeen;
        packetsSeen += fresh;
        return fresh;
    }

    orbtest::InstalledRMC rmc;
    size_t packetsSeen = 0;
};

TEST_F(RMCChannel, EveryPayloadSizeTakesItsExchangesAndArrivesByteExact) {
    const std::pair<size_t, unsigned> cases[] = {{0, 1},  {32, 1}, {33, 2},
                                                 {89, 2}, {90, 3}, {1 << 20, 18397}};
    for (const auto& [length, exchanges] : cases) {
        SCOPED_TRACE("payload of " + std::to_string(length) + " bytes");
        const std::string payload = payloadOf(length);
        EXPECT_EQ(send("WriteInventory", payload), 0);
        EXPECT_EQ(newPackets(), exchanges);
        EXPECT_TRUE(rmc->commands().back().payload == payload) << "payload differs at the RMC";
    }
}

// The firmware team's reference shows a command on the wire: a 100-byte payload in packets of
// 33, 57 and 11 bytes. What it shows is what the channel sends.
TEST_F(RMCChannel, ReferenceExampleIsWhatGoesOnTheWire) {
    const std::string reference = orbtest::readFile(ORB_SOURCE_DIR "/docs/rmc-interface.md");
    const size_t quoted = reference.find("The payload `") + 13;
    const std::string payload = reference.substr(quoted, reference.find('`', quoted) - quoted);
    const size_t begin = reference.find("```\n", reference.find("<!-- wire-example: begin -->"));
    std::istringstream dump(
        reference.substr(begin + 4, reference.find("```", begin + 4) - begin - 4));
    ASSERT_EQ(payload.size(), 100u);

    std::vector<std::string> lines;
    for (std::string line; std::getline(dump, line);) {
        lines.push_back(line);
    }

    ASSERT_EQ(send("MPEventGen", payload), 0);
    const std::vector<std::vector<unsigned char>> packets = rmc->packets();
    ASSERT_EQ(packets.size(), 3u);
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("packet " + std::to_string(i + 1));
        std::istringstream bytes(lines[i]);
        std::string byte;
        size_t at = 0;
        for (; bytes >> byte; ++at) {
            // hh: the handle the RMC gave with its previous answer, which it checks
            if (byte != "hh" && at < 60) {
                EXPECT_EQ(packets[i][at], std::stoul(byte, nullptr, 16)) << "byte " << at;
            }
        }
        EXPECT_EQ(at, 60u);
    }
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
        EXPECT_EQ(send(name, "{}"), result);
        EXPECT_EQ(newPackets(), result == 0 ? 1u : 0u);
        if (result == 0) {
            EXPECT_EQ(rmc->commands().back().command, name);
        }
    }
}

TEST_F(RMCChannel, TransferStatusesUpToTwoContinueAndHigherOnesStopWithTheirMessage) {
    const std::pair<unsigned char, const char*> cases[] = {
        {2, nullptr},  // the transfer goes on
        {3, "Transfer Status is 0x3[Error in index] and Cmd Exit Status is 0x7\n"},
        {8,
         "Transfer Status is 0x8[Request command length exceeded] and Cmd Exit Status is 0x7. "
         "Payload size:130\n"},
    };
    const std::string payload = payloadOf(130);  // three packets: 33, 57 and 41 bytes
    for (const auto& [status, message] : cases) {
        SCOPED_TRACE("transfer status " + std::to_string(status));
        endOutage();
        for (unsigned packet = 1; packet <= 3; ++packet) {
            rmc->answerTransferStatus(packet, status, 7);
        }
        orbtest::LogMark mark;
        const bool stops = message != nullptr;
        EXPECT_EQ(send("MPEventGen", payload), stops ? 1 : 0);
        EXPECT_EQ(newPackets(), stops ? 1u : 3u);
        EXPECT_EQ(rmc->commands().back().transferStatus, status);
        if (stops) {
            EXPECT_THAT(mark.mainSince(), HasSubstr(std::string("[ERROR]   ")));
            EXPECT_THAT(mark.mainSince(), HasSubstr(std::string("IPMI: ") + message));
        } else {
            EXPECT_TRUE(rmc->commands().back().payload == payload);
            EXPECT_THAT(mark.mainSince(), Not(HasSubstr("[ERROR]")));
        }
    }
}

TEST_F(RMCChannel, FailedExchangeIsReportedAsFailureAndEndsTheTransfer) {
    const std::pair<ExchangeFault, unsigned> cases[] = {
        {ExchangeFault::SendFails, 2},
        {ExchangeFault::NoReply, 3},
        {ExchangeFault::ShortReply, 1},
        {ExchangeFault::CompletionCode, 3},
    };
    const std::string payload = payloadOf(130);
    for (const auto& [fault, packet] : cases) {
        SCOPED_TRACE("fault " + std::to_string(static_cast<int>(fault)) + " on packet " +
                     std::to_string(packet));
        endOutage();
        rmc->failPacket(packet, fault);
        orbtest::LogMark mark;
        const size_t commandsBefore = rmc->commands().size();
        EXPECT_EQ(send("MPEventGen", payload), 1);
        EXPECT_EQ(newPackets(), fault == ExchangeFault::SendFails ? packet - 1 : packet)
            << "the transfer went on";
        EXPECT_EQ(rmc->commands().size(), commandsBefore) << "the RMC ran the command";
        EXPECT_THAT(mark.mainSince(), HasSubstr("Error occurred while executing RMC_CLI_Exec"));
    }
    // The RMC takes the next command from its first packet, whatever was left half-sent.
    rmc->clearFaults();
    EXPECT_EQ(send("MPEventGen", payload), 0);
}

TEST_F(RMCChannel, ConcurrentCommandsAndDoorbellPollsNeverInterleave) {
    const std::string body = payloadOf(2000);  // 36 packets each
    std::vector<std::thread> threads;
    for (int sender = 0; sender < 3; ++sender) {
        threads.emplace_back([&body, sender] {
            for (int i = 0; i < 10; ++i) {
                EXPECT_EQ(send("MPEventGen", std::to_string(sender) + body), 0);
            }
        });
    }
    threads.emplace_back([] {
        for (int i = 0; i < 40; ++i) {
            EXPECT_FALSE(poll());
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_EQ(rmc->commands().size(), 30u);
    for (const orbsim::RMCCommand& command : rmc->commands()) {
        EXPECT_EQ(command.payload.substr(1), body);
    }
    EXPECT_EQ(rmc->doorbellPolls(), 40u);
}

TEST_F(RMCChannel, DoorbellAsksForInventoryOnlyWhenItsTextHoldsWriteInventory) {
    struct Case {
        std::string text;  // what the RMC answers
        bool request;
        std::string read;  // the text as the host reads it
    };
    const std::string full(254, 'x');
    const std::string fullWithWord = full.substr(14) + "WriteInventory";
    const Case cases[] = {
        {"Get;WriteInventory;Reset", true, "Get;WriteInventory;Reset"},
        {"writeinventory", false, "writeinventory"},
        {fullWithWord, true, fullWithWord},        // 254 bytes without a terminating zero
        {full + "..WriteInventory", false, full},  // the word past the 254 bytes asked for
        {std::string("Idle\0WriteInventory", 19), false, "Idle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.read);
        rmc->ringDoorbell(c.text);
        orbtest::LogMark mark;
        EXPECT_EQ(poll(), c.request);
        EXPECT_THAT(mark.debugSince(),
                    HasSubstr("IPMI: Return buffer from door bell: " + c.read + "\n"));
    }
}

TEST_F(RMCChannel, FailuresAreLoggedOncePerOutageAndRecoveriesOnce) {
    struct Step {
        bool doorbell;       // a door-bell poll, or an event command
        bool fails;          // the RMC does not answer it
        const char* logged;  // a line of the main log, or nullptr for none
    };
    const Step steps[] = {
        {false, true, "IPMI: Error occurred while executing RMC_CLI_Exec\n"},
        {false, true, nullptr},
        {false, false, "IPMI: RMC CLI commands succeed again after 2 failed\n"},
        {false, true, "IPMI: Error occurred while executing RMC_CLI_Exec\n"},
        {true, true, "IPMI: An error occurred in checking RMC request via IPMI\n"},
        {true, true, nullptr},
        {true, false, "IPMI: The RMC answers door-bell polls again\n"},
        {true, true, "IPMI: An error occurred in checking RMC request via IPMI\n"},
    };
    rmc->ringDoorbell("WriteInventory");
    int number = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE("step " + std::to_string(++number));
        rmc->clearFaults();
        if (step.fails) {
            rmc->startOutage(0ms, 1h, ExchangeFault::CompletionCode);
        }
        orbtest::LogMark mark;
        if (step.doorbell) {
            EXPECT_EQ(poll(), !step.fails);
        } else {
            EXPECT_EQ(send("MPEventGen", "{}"), step.fails ? 1 : 0);
        }
        if (step.logged != nullptr) {
            EXPECT_THAT(mark.mainSince(), HasSubstr(step.logged));
        } else {
            EXPECT_THAT(mark.mainSince(), IsEmpty());
        }
    }
}

// A service being stopped gives up within a slice: waiting for a reply that never comes, or
// for the channel that another command holds. What it gave up counts as not sent.
TEST_F(RMCChannel, AStopEndsEveryWaitOnTheChannelAtOnce) {
    enum class Wait { Reply, Channel, DoorbellReply, StoppedBefore };
    rmc->setReplyTimeout(15s);
    rmc->failPacket(2, ExchangeFault::NoReply);
    rmc->failDoorbellPoll(ExchangeFault::NoReply);
    const std::string payload = payloadOf(130);
    for (Wait wait : {Wait::Reply, Wait::Channel, Wait::DoorbellReply, Wait::StoppedBefore}) {
        SCOPED_TRACE(static_cast<int>(wait));
        orbStopRequest stop;
        if (wait == Wait::StoppedBefore) {
            stop.request();
        }
        orbStopRequest otherStop;
        std::thread other;
        if (wait == Wait::Channel) {
            // Holds the channel, waiting for a reply, until the end of this case.
            other = std::thread([&] {
                orbStopScope underStop(otherStop);
                ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload);
            });
            ASSERT_TRUE(orbtest::waitFor([&] { return rmc->packets().size() >= packetsSeen + 2; }));
            newPackets();
        }
        auto begun = std::chrono::steady_clock::now();
        std::thread stopper([&] {
            std::this_thread::sleep_for(300ms);
            stop.request();
        });
        {
            orbStopScope underStop(stop);
            if (wait == Wait::DoorbellReply) {
                EXPECT_FALSE(ipmi::IPMIUtils().checkIPMIDBRequest());
            } else {
                EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", payload), 1);
            }
        }
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 1s);
        stopper.join();
        otherStop.request();
        if (other.joinable()) {
            other.join();
        }
        const size_t sent = newPackets();
        EXPECT_EQ(sent, wait == Wait::Reply ? 2u : 0u) << "a packet went out after the stop";
    }
    EXPECT_THAT(rmc->commands(), IsEmpty());
}

}  // namespace
