#include "core/shell_command.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/stop_request.h"
#include "support/test_environment.h"

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

namespace {

TEST(ShellCommand, OutputComesInLinePiecesWithTheExitStatus) {
    struct Case {
        const char* command;
        size_t chunkSize;
        int result;
        std::vector<std::string> output;
    } cases[] = {
        {"printf 'one\\ntwo\\n'; exit 3", 2048, 3, {"one\n", "two\n"}},
        {"printf 'abcdefg\\nh'", 4, 0, {"abc", "def", "g\n", "h"}},
        {"kill -TERM $$", 2048, 128 + SIGTERM, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> output;
        EXPECT_EQ(orbRunShellCommand(c.command, output, c.chunkSize), c.result) << c.command;
        EXPECT_EQ(output, c.output) << c.command;
    }
    EXPECT_EQ(orbRunShellCommand("exit 4"), 4);
}

// A hung or runaway tool is killed with everything it started, its output is dropped, and
// the log names it.
TEST(ShellCommand, CutShortCommandsTakeTheirWholeGroupAlong) {
    const std::string pidFile = orbtest::rootPath("/scratch/background.pid");
    const std::string hangs = "sleep 300 & echo $! > " + pidFile + "; echo partial; wait";
    struct Case {
        const char* name;
        std::string command;
        std::chrono::milliseconds deadline;
        std::chrono::milliseconds stopAfter;  // negative: no stop request
        int result;
        const char* logged;
        std::chrono::milliseconds within;
    } cases[] = {
        {"deadline", hangs, 300ms, -1ms, ORB_SHELL_CUT_SHORT, "did not finish within 0.3 s",
         1500ms},
        {"stop request", hangs, 60s, 300ms, ORB_SHELL_CUT_SHORT, "was cut short by a stop request",
         1500ms},
        {"stop already requested", "echo started > " + pidFile, 60s, 0ms, ORB_SHELL_CUT_SHORT,
         "not started: stop requested", 500ms},
        {"endless output", "yes", 60s, -1ms, ORB_SHELL_CUT_SHORT, "printed more than 8388608 bytes",
         20s},
        // A job left in the background would hold the output open and outlive its command.
        {"left-over job", "sleep 300 & echo $! > " + pidFile, 60s, -1ms, 0, nullptr, 2000ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unlink(pidFile.c_str());
        orbtest::LogMark mark;
        orbStopRequest stop;
        if (c.stopAfter == 0ms) {
            stop.request();
        }
        std::vector<std::string> output;
        int result = 0;
        const auto started = Clock::now();
        std::thread runner([&] {
            orbStopScope scope(stop);
            result = orbRunShellCommand(c.command, output, 2048, c.deadline);
        });
        if (c.stopAfter > 0ms) {
            std::this_thread::sleep_for(c.stopAfter);
            stop.request();
        }
        runner.join();
        EXPECT_LT(Clock::now() - started, c.within);
        EXPECT_EQ(result, c.result);
        if (c.result == ORB_SHELL_CUT_SHORT) {
            EXPECT_THAT(output, ::testing::IsEmpty());
        }
        if (c.logged != nullptr) {
            EXPECT_THAT(mark.mainSince(), HasSubstr(c.logged));
            EXPECT_THAT(mark.mainSince(), HasSubstr(c.command.substr(0, 5)));
        }
        const std::string pid = orbtest::readFile(pidFile);
        if (c.stopAfter == 0ms) {
            EXPECT_EQ(pid, "");
        } else if (c.command.find("sleep") != std::string::npos) {
            ASSERT_FALSE(pid.empty());
            EXPECT_TRUE(orbtest::waitFor([&] { return orbtest::processGone(std::stoi(pid)); }, 2s));
        }
    }
}

// A tool starts in a group of its own, with no descriptor, blocked or ignored signal of the
// host process.
TEST(ShellCommand, ToolsStartClean) {
    int leaked = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    sigaction(SIGPIPE, &ignore, &previous);

    std::vector<std::string> output;
    int result = orbRunShellCommand(
        "ls /proc/$$/fd; grep -E '^Sig(Blk|Ign)' /proc/self/status; "
        "echo \"$$ $(cut -d' ' -f5 /proc/$$/stat)\"",
        output);

    sigaction(SIGPIPE, &previous, nullptr);
    pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);
    close(leaked);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(output.size(), 6u);
    EXPECT_EQ(output[0] + output[1] + output[2], "0\n1\n2\n");
    EXPECT_EQ(output[3], "SigBlk:\t0000000000000000\n");
    // glibc keeps its two internal signals (32 and 33) ignored; the others must be default.
    EXPECT_EQ(std::stoull(output[4].substr(7), nullptr, 16) & ~0x180000000ull, 0u) << output[4];
    std::string pid = output[5].substr(0, output[5].find(' '));
    EXPECT_EQ(output[5], pid + " " + pid + "\n");
}

}  // namespace
