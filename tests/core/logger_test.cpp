#include "core/logger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/log.h"
#include "core/platform_path.h"
#include "support/test_environment.h"

using CPlusPlusLogging::Logger;
using CPlusPlusLogging::LoggerSettings;
using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

namespace {

// A logger of its own, writing below a folder of the simulated host.
struct LoggerUnderTest {
    LoggerUnderTest(const std::string& folder, const std::string& level, bool debugOn = true) {
        settings.logPath = "/var/log/" + folder + "/orb.log";
        settings.debugLogPath = "/var/log/" + folder + "/debug/orb-debug.log";
        settings.levelText = level;
        settings.debugLog = debugOn;
        logger = std::make_unique<Logger>(settings);
        logger->error("an error", "TEST", 1);
        logger->warning("a warning", "TEST", 2);
        logger->info("an info", "TEST", 3);
        logger->debug("a debug", "TEST", 4);
        logger->always("an always", "TEST", 5);
    }
    std::string main() const { return orbtest::readFile(orbtest::rootPath(settings.logPath)); }
    std::string debugPath() const { return orbtest::rootPath(settings.debugLogPath); }
    LoggerSettings settings;
    std::unique_ptr<Logger> logger;
};

TEST(Logger, LevelsAndTheDebugSwitchChooseWhatIsWritten) {
    struct Case {
        const char* level;
        bool debugOn, warning, info;
    };
    const Case cases[] = {{"Info", false, true, true},
                          {"Warning", true, true, false},
                          {"Error", true, false, false},
                          {"nonsense", true, true, false}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level + std::string(c.debugOn ? " with debug" : " without debug"));
        LoggerUnderTest log("levels" + std::to_string(n++), c.level, c.debugOn);
        std::string text = log.main();
        EXPECT_THAT(text, HasSubstr("an error"));
        EXPECT_EQ(text.find("a warning") != std::string::npos, c.warning);
        EXPECT_EQ(text.find("an info") != std::string::npos, c.info);
        EXPECT_THAT(text, HasSubstr("an always"));
        EXPECT_THAT(text, Not(HasSubstr("a debug")));
        EXPECT_EQ(orbtest::readFile(log.debugPath()).find("a debug") != std::string::npos,
                  c.debugOn);
        EXPECT_EQ(fs::exists(log.debugPath()), c.debugOn);
    }
}

TEST(Logger, ALogInsideTheLinkFolderIsNeverRemoved) {
    LoggerSettings settings;
    settings.logPath = "/opt/vex/orb/log/orb.log";
    settings.levelText = "Info";
    Logger(settings).error("first line", "TEST", 1);
    Logger(settings).error("second line", "TEST", 2);
    std::string path = orbtest::rootPath(settings.logPath);
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_THAT(orbtest::readFile(path), HasSubstr("first line"));
    EXPECT_THAT(orbtest::readFile(path), HasSubstr("second line"));
}

TEST(Logger, AnUnusableLogFolderFallsBackToTheSystemLogAndTheProcessCarriesOn) {
    orbtest::writeFile(orbtest::rootPath("/var/log/blocked"), "a file where a folder should be");
    struct Case {
        const char* main;
        const char* debug;
        bool debugOn;
        const char* complaint;  // on standard error; null for none
    };
    const Case cases[] = {
        {"/var/log/blocked/orb.log", "syslog", true,
         "[%s/var/log/blocked/orb.log]: 20 - Not a directory; the ORB log goes to the system log"},
        {"/var/log/main1/orb.log", "/var/log/blocked/orb-debug.log", true,
         "[%s/var/log/blocked/orb-debug.log]: 20 - Not a directory; the ORB debug log goes to"},
        {"/var/log/main3/orb.log", "/var/log/unneeded/orb-debug.log", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.main + std::string(" ") + c.debug);
        LoggerSettings settings;
        settings.logPath = c.main;
        settings.debugLogPath = c.debug;
        settings.debugLog = c.debugOn;
        ::testing::internal::CaptureStderr();
        Logger logger(settings);
        logger.error("still logging", "TEST", 1);
        std::string complaints = ::testing::internal::GetCapturedStderr();
        if (c.complaint == nullptr) {
            EXPECT_EQ(complaints, "");
        } else {
            char expected[512];
            std::snprintf(expected, sizeof(expected), c.complaint, orbtest::root().c_str());
            EXPECT_THAT(complaints, HasSubstr(expected));
        }
        bool mainUsable = std::string(c.main).find("blocked") == std::string::npos;
        EXPECT_EQ(
            orbtest::readFile(orbtest::rootPath(c.main)).find("still logging") != std::string::npos,
            mainUsable);
    }
    // A debug log that is off needs no folder.
    EXPECT_FALSE(fs::exists(orbtest::rootPath("/var/log/unneeded")));
}

TEST(Logger, ARejectedConfigurationFileIsReported) {
    std::string path = orbtest::rootPath("/etc/config/vex/orb/orb.conf");
    orbtest::writeFile(path, R"(["EnableDebugLog", true])");
    ::testing::internal::CaptureStderr();
    Logger::getInstance();
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                HasSubstr("orb: Configuration file [" + path +
                          "] ignored: its top level is not a JSON object. Built-in defaults in "
                          "force: logging to syslog at level Warning, debug log off"));
}

TEST(PlatformPath, OnlyAnAbsoluteOrbRootIsHonoured) {
    const std::string saved = getenv("ORB_ROOT");
    struct Case {
        const char* root;
        orbRootSetting::State state;
        const char* resolved;
    };
    const Case cases[] = {{"/fixture//", orbRootSetting::InUse, "/fixture/etc/orb.conf"},
                          {"fixture", orbRootSetting::Ignored, "/etc/orb.conf"},
                          {"./fixture", orbRootSetting::Ignored, "/etc/orb.conf"},
                          {"", orbRootSetting::Unset, "/etc/orb.conf"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root);
        setenv("ORB_ROOT", c.root, 1);
        EXPECT_EQ(orbRootSettingInForce().state, c.state);
        EXPECT_EQ(orbRootPath("/etc/orb.conf"), c.resolved);
        EXPECT_EQ(orbRootPath("relative/orb.conf"), "relative/orb.conf");
    }
    setenv("ORB_ROOT", saved.c_str(), 1);
}

TEST(Logger, OverlongMessagesAreCutAtTheBuffer) {
    orbtest::LogMark mark;
    ORB_LOG_ERROR("TEST", "%s|end", std::string(100000, 'x').c_str());
    std::string written = mark.mainSince();
    size_t start = written.find("TEST: ");
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(written.substr(start + 6), std::string(4095, 'x') + "\n");
}

}  // namespace
