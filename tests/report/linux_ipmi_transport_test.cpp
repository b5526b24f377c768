#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "core/logger.h"
#include "core/stop_request.h"
#include "report/ipmi_transport.h"
#include "report/ipmi_utils.h"
#include "support/test_environment.h"

// These tests use the host's own transport: no simulated RMC is installed, and the simulated
// host has no /dev/ipmi0 and modprobe and mknod stand-ins that fail.

using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using namespace std::chrono_literals;

const char* const kCallsFile = "/var/log/kernel-tool.calls";

bool sendVersionRequest(ipmi::IPMIUtils& device) {
    const unsigned char data[1] = {0};
    unsigned char response[4] = {};
    return device.execute(0x3A, 0x80, 0, data, 1, response, 4);
}

TEST(LinuxIPMITransport, WithoutADeviceTheDriverIsLoadedTwiceAndEveryExchangeFails) {
    // A root whose path the shell would mangle or run if it were not quoted.
    CPlusPlusLogging::Logger::loggerInit();
    ASSERT_EQ(chdir(orbtest::root().c_str()), 0);
    const std::string root = orbtest::root() + "/host's $(touch INJECTED) `touch INJECTED` root";
    ASSERT_TRUE(orbtest::writeFile(root + "/proc/devices",
                                   "Character devices:\n  1 mem\n249 ipmidev\n250 bsg\n"));
    ASSERT_EQ(setenv("ORB_ROOT", root.c_str(), 1), 0);

    ipmi::IPMIUtils device;
    EXPECT_FALSE(sendVersionRequest(device));
    EXPECT_FALSE(device.checkIPMIDBRequest());
    unsigned char transferStatus = 0;
    unsigned char exitStatus = 0;
    EXPECT_EQ(device.RMC_CLI_Exec("MPEventGen", "{}", &transferStatus, &exitStatus), 0);
    const std::string round =
        "modprobe\tipmi_msghandler\nmodprobe\tipmi_si\nmodprobe\tipmi_devintf\n"
        "modprobe\tipmi_watchdog\nmodprobe\tipmi_ssif\nmknod\t-m\t0600\t" +
        root + "/dev/ipmi0\tc\t249\t0\n";
    EXPECT_EQ(orbtest::readFile(root + kCallsFile), round + round);
    EXPECT_FALSE(std::filesystem::exists(orbtest::root() + "/INJECTED"));

    orbtest::LogMark mark;
    EXPECT_EQ(ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", R"({"EventID":538})"), 1);
    EXPECT_THAT(mark.mainSince(), HasSubstr("IPMI: Error occurred while executing RMC_CLI_Exec"));
}

// Loading the driver on a host without IPMI waits for it twice; a service being stopped must
// not sit out those waits.
TEST(LinuxIPMITransport, AStopEndsTheDriverLoadingAtOnce) {
    CPlusPlusLogging::Logger::loggerInit();
    orbStopRequest stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(200ms);
        stop.request();
    });
    const auto begun = std::chrono::steady_clock::now();
    {
        orbStopScope underStop(stop);
        ipmi::IPMIUtils device;
        EXPECT_FALSE(sendVersionRequest(device));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 1s);
    stopper.join();
}

TEST(LinuxIPMITransport, DeviceThatIsNoIPMIDeviceFailsAndItsReplyWaitEnds) {
    // Something at /dev/ipmi0 that opens but answers no IPMI request.
    std::filesystem::create_directories(orbtest::rootPath("/dev"));
    ASSERT_EQ(mkfifo(orbtest::rootPath("/dev/ipmi0").c_str(), 0600), 0);
    {
        ipmi::IPMIUtils device;
        EXPECT_FALSE(sendVersionRequest(device));
    }
    EXPECT_THAT(orbtest::readFile(orbtest::rootPath(kCallsFile)), IsEmpty())
        << "the driver was loaded although the device opened";

    std::shared_ptr<ipmi::IPMITransport> transport = ipmi::defaultIPMITransport();
    const int fd = transport->openDevice();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(transport->waitForReply(fd, 50ms), ipmi::IPMIWait::TimedOut);
    ASSERT_EQ(write(fd, "x", 1), 1);
    EXPECT_EQ(transport->waitForReply(fd, 50ms), ipmi::IPMIWait::Readable);
    ipmi::IPMIReply reply;
    EXPECT_FALSE(transport->receiveReply(fd, reply)) << "a FIFO gave an IPMI reply";
    transport->closeDevice(fd);
}

}  // namespace
