// The local command server driven through its real pipes under the test's simulated root:
// orbcli for what a user does, raw packets for what a broken or hostile client does.
#include "report/orb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/job_manager.h"
#include "core/owned_resources.h"
#include "report/event_handler.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"
#include "report/json_text.h"
#include "report/message_packet.h"
#include "support/fake_manager.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["HostOSInfo", "FibreChannelDevices"]})");

using namespace std::chrono_literals;
using orbtest::parseJson;
using orbtest::waitFor;
using ::testing::HasSubstr;

namespace {

// A Fibre Channel manager whose loop is not running, and which raises a sample event for the
// IDs of its family, about the device it is given.
class FakeFibreChannel : public orbtest::FakeManager {
  public:
    bool isRunning() override { return false; }
    void generateTestEvent(int eventId, const std::string& device) override {
        orbEventHandler::generateEvent(orbEvent(eventId, device, "FCHBA", false, "now",
                                                "Not-Available", Json::Value(), "ORB-CLI"));
    }
};

using orbtest::orbcli;
using Outcome = orbtest::OrbcliOutcome;

std::string requestPath() {
    return orbtest::rootPath("/var/run/vexorb");
}

bool isPrivateFifo(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode) && info.st_uid == 0 &&
           (info.st_mode & 0777) == 0600;
}

// Bytes written to the request pipe as a client would write them.
void sendBytes(const void* bytes, size_t length) {
    orbFileDescriptor fd(open(requestPath().c_str(), O_WRONLY | O_NONBLOCK));
    ASSERT_TRUE(fd.isOpen()) << std::strerror(errno);
    ASSERT_EQ(write(fd.get(), bytes, length), static_cast<ssize_t>(length));
}

void sendRequest(uint16_t code, const std::string& payload, int32_t pid = getpid()) {
    _ORB_MESSAGE_PACKET packet;
    ASSERT_TRUE(orbEncodeRequest(code, pid, payload, packet));
    sendBytes(&packet, sizeof(packet));
}

// This process as a client: its response pipe, open for reading before it asks.
class RawClient {
  public:
    RawClient() : path(orbtest::rootPath("/var/run/vexorbcli" + std::to_string(getpid()))) {
        unlink(path.c_str());
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    }
    ~RawClient() { unlink(path.c_str()); }
    void openForReading() { fd.reset(open(path.c_str(), O_RDONLY | O_NONBLOCK)); }

    // The next answer, or nothing within limit.
    std::optional<int32_t> answer(std::chrono::milliseconds limit = 5s) {
        std::array<unsigned char, kOrbMessagePacketSize> bytes{};
        size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (got < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            pollfd wait{fd.get(), POLLIN, 0};
            poll(&wait, 1, 20);
            const ssize_t n = read(fd.get(), bytes.data() + got, bytes.size() - got);
            got += n > 0 ? static_cast<size_t>(n) : 0;
        }
        int32_t result = 0;
        if (!orbDecodeResponse(bytes.data(), got, result)) {
            return std::nullopt;
        }
        return result;
    }

    const std::string path;

  private:
    orbFileDescriptor fd;
};

class LocalCommandServer : public ::testing::Test {
  protected:
    void SetUp() override {
        orbtest::installAsHostManager(host);
        orbFactory::registerManager(0, [] { return static_cast<orbResourceManager*>(&fibre()); });
    }
    void TearDown() override {
        orbJobManager::stopORBServer();
        orbJsonAggregator::stoporbJsonAggregator();
    }
    static FakeFibreChannel& fibre() {
        static FakeFibreChannel manager;
        return manager;
    }
    void pushFirstInventory() {
        orbJsonAggregator::sendInventory(false);
        ASSERT_TRUE(waitFor([] { return orbJsonAggregator::isInventorySent(); }));
    }
    void startServer() {
        ASSERT_TRUE(orbJobManager::startORBServer());
        // Served once the server holds its end open: a client may then write.
        ASSERT_TRUE(waitFor(
            [] {
                orbFileDescriptor writer(open(requestPath().c_str(), O_WRONLY | O_NONBLOCK));
                return writer.isOpen() && isPrivateFifo(requestPath());
            },
            5s));
    }
    std::vector<Json::Value> events() const {
        std::vector<Json::Value> sent;
        for (const orbsim::RMCCommand& command : rmc->commands()) {
            if (command.command == "MPEventGen" && command.transferStatus <= 2) {
                sent.push_back(parseJson(command.payload));
            }
        }
        return sent;
    }

    orbtest::InstalledRMC rmc;
    orbtest::FakeManager host;
};

TEST_F(LocalCommandServer, OrbcliRequestsAreAnsweredByWhatReachedTheRmc) {
    startServer();
    // Before the first inventory only host and service events may go out.
    Outcome early = orbcli("test-event 708");
    EXPECT_EQ(early.status, 1) << early.output;
    EXPECT_THAT(early.output, HasSubstr("not delivered"));
    EXPECT_TRUE(events().empty());
    pushFirstInventory();

    const std::string file = orbtest::rootPath("/scratch/event.json");
    orbtest::writeFile(file, R"({"ID": 1441, "EventTime": "t", "Source": "someone"})");
    struct Case {
        std::string arguments;
        const char* input;
        int status;
        const char* says;
        int eventSent;  // the ID the RMC received, 0 for none
    };
    const Case cases[] = {
        {"test-event 708", "", 0, "sent to the RMC", 708},
        {"test-event 383 5000abcd", "", 0, "sent to the RMC", 383},
        // The fake host manager raises no sample events.
        {"test-event 356", "", 1, "not delivered", 0},
        {"test-event 1148", "", 1, "no such event ID", 0},
        {"forward -", R"({"ID": 1442, "Source": "x"})", 0, "sent to the RMC", 1442},
        {"forward " + file, "", 0, "sent to the RMC", 1441},
        {"forward -", "[1, 2]", 1, "not a JSON object", 0},
        {"test-event 7O8", "", 2, "usage", 0},
        {"--timeout 0 test-event 708", "", 2, "usage", 0},
        {"frobnicate", "", 2, "usage", 0},
    };
    for (const Case& c : cases) {
        const size_t before = events().size();
        const Outcome outcome = orbcli(c.arguments, c.input);
        EXPECT_EQ(outcome.status, c.status) << c.arguments << ": " << outcome.output;
        EXPECT_THAT(outcome.output, HasSubstr(c.says)) << c.arguments;
        const std::vector<Json::Value> sent = events();
        if (c.eventSent == 0) {
            EXPECT_EQ(sent.size(), before) << c.arguments;
            continue;
        }
        ASSERT_EQ(sent.size(), before + 1) << c.arguments;
        EXPECT_EQ(sent.back()["ID"].asInt(), c.eventSent);
        EXPECT_EQ(sent.back()["Source"], "ORB-CLI") << c.arguments;
    }

    const std::vector<Json::Value> sent = events();
    const Json::Value& service = sent[0]["VariableData"];
    EXPECT_EQ(orbJsonOneLine(service["EnabledResourceType"]),
              R"(["HostOSInfo","FibreChannelDevices"])");
    EXPECT_EQ(orbJsonOneLine(service["OperationalResourceType"]), R"(["HostOSInfo"])");
    EXPECT_EQ(service["Type"], "Test Event");
    EXPECT_EQ(sent[1]["PhysicalLocation"], "5000abcd") << "the device reaches the producer";

    // An RMC that does not take the event: the client hears so.
    rmc->setDeviceMissing(true);
    EXPECT_EQ(orbcli("test-event 708").status, 1);
    EXPECT_EQ(orbcli("forward -", R"({"ID": 1442, "Source": "x"})").status, 1);
}

TEST_F(LocalCommandServer, MalformedRequestsAreDroppedOrRefusedAndTheServerGoesOn) {
    pushFirstInventory();
    startServer();
    RawClient client;
    client.openForReading();

    // Not whole packets: nothing is acted on and nothing answered.
    const std::string shortPacket(100, 'x');
    sendBytes(shortPacket.data(), shortPacket.size());
    EXPECT_EQ(client.answer(300ms), std::nullopt);

    struct Case {
        uint16_t code;
        std::string payload;
        int32_t answer;
    };
    const std::string deep(3000, '[');
    const Case cases[] = {
        {kOrbForwardEventCode, "[1, 2, 3]", kOrbRequestFailed},
        {kOrbForwardEventCode, R"({"ID": 1})", kOrbRequestFailed},
        {kOrbForwardEventCode, "{\"ID\": 1,", kOrbRequestFailed},
        {kOrbForwardEventCode, deep, kOrbRequestFailed},
        {kOrbTestEventCode, "abc", kOrbRequestInvalidEvent},
        {kOrbTestEventCode, "99999999999", kOrbRequestInvalidEvent},
        {kOrbTestEventCode, "708 dev\x01", kOrbRequestInvalidEvent},
        {kOrbTestEventCode, "708", kOrbRequestDone},
    };
    for (const Case& c : cases) {
        sendRequest(c.code, c.payload);
        EXPECT_EQ(client.answer(), c.answer) << c.payload.substr(0, 40);
    }
    EXPECT_EQ(events().size(), 1u) << "only the test event went out";

    // A payload without its terminating zero is cut at the end of the packet.
    _ORB_MESSAGE_PACKET packet;
    ASSERT_TRUE(orbEncodeRequest(kOrbTestEventCode, getpid(), "", packet));
    std::memset(packet.payload, '7', sizeof(packet.payload));
    sendBytes(&packet, sizeof(packet));
    EXPECT_EQ(client.answer(), kOrbRequestInvalidEvent);
    EXPECT_TRUE(waitFor(
        [] { return orbtest::mainLog().find("has no terminating zero") != std::string::npos; },
        2s));
}

TEST_F(LocalCommandServer, WhatIsPlantedAtTheRequestPathIsReplacedByAPrivatePipe) {
    const std::string path = requestPath();
    const std::string target = orbtest::rootPath("/scratch/precious");
    struct Case {
        const char* what;
        std::function<void()> plant;
    };
    const Case cases[] = {
        {"regular file", [&] { orbtest::writeFile(path, "not a pipe"); }},
        {"link to a file", [&] { ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0); }},
        {"pipe open to all",
         [&] {
             ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
             chmod(path.c_str(), 0666);
         }},
        {"pipe of another user",
         [&] {
             ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
             ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
         }},
    };
    for (const Case& c : cases) {
        orbtest::writeFile(target, "keep me");
        unlink(path.c_str());
        c.plant();
        startServer();
        EXPECT_TRUE(isPrivateFifo(path)) << c.what;
        EXPECT_EQ(orbtest::readFile(target), "keep me") << c.what;
        RawClient client;
        client.openForReading();
        sendRequest(kOrbTestEventCode, "1148");
        EXPECT_EQ(client.answer(), kOrbRequestInvalidEvent) << c.what;
        orbJobManager::stopORBServer();
        struct stat info {};
        EXPECT_NE(lstat(path.c_str(), &info), 0) << c.what << ": the pipe is removed at stop";
    }
}

TEST_F(LocalCommandServer, ClientsThatAreGoneForgedOrSilentNeverHoldTheServer) {
    startServer();
    // A client gone before its answer.
    const pid_t gone = fork();
    if (gone == 0) {
        _exit(0);
    }
    waitpid(gone, nullptr, 0);
    // A live process (the first one) whose response path is a planted file or a link.
    const std::string forged = orbtest::rootPath("/var/run/vexorbcli1");
    const std::string target = orbtest::rootPath("/scratch/precious");
    orbtest::writeFile(target, "keep me");
    for (bool link : {false, true}) {
        unlink(forged.c_str());
        if (link) {
            ASSERT_EQ(symlink(target.c_str(), forged.c_str()), 0);
        } else {
            orbtest::writeFile(forged, "keep me");
        }
        sendRequest(kOrbTestEventCode, "1148", 1);
    }
    sendRequest(kOrbTestEventCode, "1148", gone);
    sendRequest(kOrbTestEventCode, "1148", 0);
    RawClient client;
    client.openForReading();
    sendRequest(kOrbTestEventCode, "1148");
    EXPECT_EQ(client.answer(1s), kOrbRequestInvalidEvent);
    EXPECT_EQ(orbtest::readFile(target), "keep me");
    EXPECT_EQ(orbtest::readFile(forged), "keep me");

    // A client that never opens its pipe costs the server about three seconds, then the
    // server gives up on it and serves the next.
    const pid_t silent = fork();
    if (silent == 0) {
        pause();
        _exit(0);
    }
    const std::string silentPipe = orbtest::rootPath("/var/run/vexorbcli" + std::to_string(silent));
    ASSERT_EQ(mkfifo(silentPipe.c_str(), 0600), 0);
    const auto since = std::chrono::steady_clock::now();
    sendRequest(kOrbTestEventCode, "1148", silent);
    std::this_thread::sleep_for(200ms);
    sendRequest(kOrbTestEventCode, "1148");
    EXPECT_EQ(client.answer(6s), kOrbRequestInvalidEvent);
    const auto took = std::chrono::steady_clock::now() - since;
    EXPECT_GT(took, 2500ms);
    EXPECT_LT(took, 4s);
    kill(silent, SIGKILL);
    waitpid(silent, nullptr, 0);
    unlink(silentPipe.c_str());
}

TEST_F(LocalCommandServer, StopReturnsWithinTwoSecondsAndMayBeRepeated) {
    // Never started, then twice in a row.
    EXPECT_LT(orbtest::timeOf([] { orbJobManager::stopORBServer(); }), 100ms);
    startServer();
    EXPECT_LT(orbtest::timeOf([] { orbJobManager::stopORBServer(); }), 2s);
    EXPECT_LT(orbtest::timeOf([] { orbJobManager::stopORBServer(); }), 100ms);

    // Stopped at once after the start, before the thread has made its pipe.
    ASSERT_TRUE(orbJobManager::startORBServer());
    EXPECT_LT(orbtest::timeOf([] { orbJobManager::stopORBServer(); }), 2s);

    // Stopped while it waits for a client that never reads its answer.
    startServer();
    RawClient silent;
    sendRequest(kOrbTestEventCode, "1148");
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(orbtest::timeOf([] { orbJobManager::stopORBServer(); }), 2s);
    struct stat info {};
    EXPECT_NE(lstat(requestPath().c_str(), &info), 0);

    // And it starts again.
    startServer();
    RawClient client;
    client.openForReading();
    sendRequest(kOrbTestEventCode, "1148");
    EXPECT_EQ(client.answer(), kOrbRequestInvalidEvent);
}

// A host that exits without stopping the server, while the server forwards an event to an RMC
// that never answers, exits normally and within the stop budget.
void exitWhileTheServerWaitsForTheRMC() {
    auto rmc = std::make_shared<orbsim::SimulatedRMC>();
    rmc->setReplyTimeout(15s);
    rmc->startOutage(0ms, 1h, orbsim::ExchangeFault::NoReply);
    ipmi::IPMIUtils::setTransport(rmc);
    if (!orbJobManager::startORBServer() || !waitFor([] { return isPrivateFifo(requestPath()); })) {
        std::_Exit(3);
    }
    // The event sender holds the channel, waiting for an answer; the server waits for the
    // channel behind it.
    orbEventHandler::generateEvent(
        orbEvent(356, "NotApplicable", "Host", false, "2026-01-31 13:05:09", "NA", "ORB"));
    waitFor([&] { return !rmc->packets().empty(); });
    sendRequest(kOrbForwardEventCode, R"({"ID": 1441, "Source": "x"})");
    std::this_thread::sleep_for(300ms);
    std::exit(0);
}

TEST(LocalCommandServerAtExit, TheHostExitsNormallyWithinTheStopBudget) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EXIT(exitWhileTheServerWaitsForTheRMC(), ::testing::ExitedWithCode(0), "");
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
}

// Byte for byte what a client of another make relies on.
TEST(MessagePacket, LayoutIsFixedToTheByte) {
    _ORB_MESSAGE_PACKET response;
    orbEncodeResponse(-1, response);
    std::array<unsigned char, kOrbMessagePacketSize> bytes{};
    std::memcpy(bytes.data(), &response, bytes.size());
    std::array<unsigned char, kOrbMessagePacketSize> expected{};
    expected[0] = 9;
    expected[5] = 8;
    expected[17] = expected[18] = expected[19] = expected[20] = 0xFF;
    EXPECT_EQ(bytes, expected);

    _ORB_MESSAGE_PACKET request;
    ASSERT_TRUE(orbEncodeRequest(0x102, 0x01020304, "708", request));
    std::memcpy(bytes.data(), &request, bytes.size());
    expected.fill(0);
    expected[3] = 0x02;
    expected[4] = 0x01;
    expected[9] = 0x04, expected[10] = 0x03, expected[11] = 0x02, expected[12] = 0x01;
    expected[17] = '7', expected[18] = '0', expected[19] = '8';
    EXPECT_EQ(bytes, expected);
    EXPECT_FALSE(orbEncodeRequest(0x102, 1, std::string(kOrbPayloadSize, 'x'), request));

    struct Case {
        const char* payload;
        bool valid;
        int id;
        const char* device;
    };
    const Case cases[] = {
        {"708", true, 708, "FFFFFFFFFFFFFFFF"},
        {"538 5000c500a1b2c3d4", true, 538, "5000c500a1b2c3d4"},
        {"538 ", true, 538, "FFFFFFFFFFFFFFFF"},
        {"", false, 0, ""},
        {"-708", false, 0, ""},
        {"708x", false, 0, ""},
        {"2147483648", false, 0, ""},
    };
    for (const Case& c : cases) {
        int id = -5;
        std::string device;
        EXPECT_EQ(orbParseTestEventPayload(c.payload, id, device), c.valid) << c.payload;
        if (c.valid) {
            EXPECT_EQ(id, c.id) << c.payload;
            EXPECT_EQ(device, c.device) << c.payload;
        }
    }
}

}  // namespace
