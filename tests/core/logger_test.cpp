#include "core/logger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "core/log.h"
#include "support/test_environment.h"

using CPlusPlusLogging::Logger;
using CPlusPlusLogging::LoggerSettings;
using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

namespace {

// A logger of its own, writing below a folder of the simulated host.
struct LoggerUnderTest {
    explicit LoggerUnderTest(const std::string& folder, const std::string& level,
                             bool debugOn = true) {
        settings.logPath = "/var/log/" + folder + "/orb.log";
        settings.debugLogPath = "/var/log/" + folder + "/debug/orb-debug.log";
        settings.levelText = level;
        settings.debugLog = debugOn;
        logger = std::make_unique<Logger>(settings);
    }
    std::string main() const { return orbtest::readFile(orbtest::rootPath(settings.logPath)); }
    std::string debug() const {
        return orbtest::readFile(orbtest::rootPath(settings.debugLogPath));
    }
    void writeEveryKind() {
        logger->error("an error", "TEST", 1);
        logger->warning("a warning", "TEST", 2);
        logger->info("an info", "TEST", 3);
        logger->debug("a debug", "TEST", 4);
        logger->always("an always", "TEST", 5);
    }
    LoggerSettings settings;
    std::unique_ptr<Logger> logger;
};

TEST(Logger, LevelsChooseWhatIsWritten) {
    struct Case {
        const char* level;
        bool error, warning, info;
    };
    const Case cases[] = {
        {"Info", true, true, true},
        {"Warning", true, true, false},
        {"Error", true, false, false},
        {"nonsense", true, true, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        LoggerUnderTest log("levels" + std::to_string(n++), c.level);
        log.writeEveryKind();
        std::string text = log.main();
        EXPECT_EQ(text.find("an error") != std::string::npos, c.error);
        EXPECT_EQ(text.find("a warning") != std::string::npos, c.warning);
        EXPECT_EQ(text.find("an info") != std::string::npos, c.info);
        EXPECT_THAT(text, HasSubstr("an always"));
        EXPECT_THAT(text, Not(HasSubstr("a debug")));
        EXPECT_THAT(log.debug(), HasSubstr("a debug"));
    }
}

TEST(Logger, DebugLinesNeedTheSwitch) {
    LoggerUnderTest off("debug-off", "Info", false);
    off.writeEveryKind();
    EXPECT_THAT(off.main(), Not(HasSubstr("a debug")));
    EXPECT_FALSE(fs::exists(orbtest::rootPath(off.settings.debugLogPath)));
    EXPECT_EQ(off.logger->getDebugLoglevel(), CPlusPlusLogging::DISABLE_DEBUG_LOG);
}

TEST(Logger, LinesCarryTimeTagLineNumberAndModule) {
    LoggerUnderTest log("format", "Info");
    log.logger->error("seven", "JOB_MGR", 7);
    log.logger->warning("ninety-nine", "IPMI", 99);
    log.logger->info("hundred", "HOST_RM", 100);
    log.logger->always("always", "OSSN", 12345);
    log.logger->debug("debug", "OSSO", 8);
    const std::string time = "[A-Z][a-z]{2} [0-9]{1,2} [0-9]{2}:[0-9]{2}:[0-9]{2}";
    std::string text = log.main();
    EXPECT_TRUE(std::regex_search(text, std::regex(time + " \\[ERROR\\]   007 JOB_MGR: seven\n")))
        << text;
    EXPECT_TRUE(
        std::regex_search(text, std::regex(time + " \\[WARNING\\] 099 IPMI: ninety-nine\n")))
        << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(time + " \\[INFO\\]    100 HOST_RM: hundred\n")))
        << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(time + " \\[INFO\\] 12345 OSSN: always\n")))
        << text;
    EXPECT_TRUE(std::regex_search(log.debug(), std::regex(time + " \\[DEBUG\\] 008 OSSO: debug\n")))
        << log.debug();
}

TEST(Logger, SyslogOnlyCreatesNothingButTheBackupLink) {
    LoggerSettings settings;
    settings.logPath = "SysLog";
    settings.debugLogPath = "syslog";
    settings.debugLog = true;
    std::string linkFolder = orbtest::rootPath("/opt/vex/orb/log");
    fs::remove_all(linkFolder);
    fs::create_directories(linkFolder);
    Logger logger(settings);
    logger.error("to the system log", "TEST", 1);
    std::vector<std::string> links;
    for (const auto& entry : fs::directory_iterator(linkFolder)) {
        links.push_back(entry.path().filename());
    }
    EXPECT_THAT(links, ::testing::ElementsAre("backup_log"));
    EXPECT_TRUE(fs::is_symlink(linkFolder + "/backup_log"));
}

TEST(Logger, LogsAreLinkedAndTheDebugFolderIsMadeForASyslogMain) {
    std::string linkFolder = orbtest::rootPath("/opt/vex/orb/log");
    LoggerSettings settings;
    settings.logPath = "syslog";
    settings.debugLogPath = "/var/log/only-debug/deep/orb-debug.log";
    settings.debugLog = true;
    Logger logger(settings);
    logger.debug("into the debug file", "TEST", 3);
    EXPECT_THAT(orbtest::readFile(orbtest::rootPath(settings.debugLogPath)),
                HasSubstr("into the debug file"));
    EXPECT_EQ(fs::read_symlink(linkFolder + "/orb-debug.log"),
              orbtest::rootPath(settings.debugLogPath));

    // A stale link is replaced by one to the current log.
    LoggerUnderTest log("linked", "Info");
    fs::remove(linkFolder + "/orb.log");
    fs::create_symlink("/nonexistent/orb.log", linkFolder + "/orb.log");
    LoggerUnderTest again("linked", "Info");
    EXPECT_EQ(fs::read_symlink(linkFolder + "/orb.log"), orbtest::rootPath(again.settings.logPath));
}

TEST(Logger, ALogInsideTheLinkFolderIsNeverRemoved) {
    LoggerSettings settings;
    settings.logPath = "/opt/vex/orb/log/orb.log";
    settings.levelText = "Info";
    {
        Logger first(settings);
        first.error("first line", "TEST", 1);
    }
    Logger second(settings);
    second.error("second line", "TEST", 2);
    std::string path = orbtest::rootPath(settings.logPath);
    EXPECT_FALSE(fs::is_symlink(path));
    std::string text = orbtest::readFile(path);
    EXPECT_THAT(text, HasSubstr("first line"));
    EXPECT_THAT(text, HasSubstr("second line"));
}

TEST(Logger, AnUnusableLogFolderEndsTheProcess) {
    orbtest::writeFile(orbtest::rootPath("/var/log/blocked"), "a file where a folder should be");
    LoggerSettings mainBlocked;
    mainBlocked.logPath = "/var/log/blocked/orb.log";
    EXPECT_EXIT(Logger{mainBlocked}, ::testing::ExitedWithCode(246), "");
    LoggerSettings debugBlocked;
    debugBlocked.debugLogPath = "/var/log/blocked/orb-debug.log";
    EXPECT_EXIT(Logger{debugBlocked}, ::testing::ExitedWithCode(245), "");
}

TEST(Logger, OverlongMessagesAreCutAtTheBuffer) {
    std::string huge(100000, 'x');
    orbtest::LogMark mark;
    ORB_LOG_ERROR("TEST", "%s|end", huge.c_str());
    std::string written = mark.mainSince();
    size_t start = written.find("TEST: ");
    ASSERT_NE(start, std::string::npos);
    std::string message = written.substr(start + 6);
    EXPECT_EQ(message, std::string(4095, 'x') + "\n");
}

TEST(Logger, MacrosFollowTheServiceConfiguration) {
    orbtest::LogMark mark;
    ORB_LOG_INFO("TEST", "info %d", 1);
    ORB_LOG_DEBUG("TEST", "debug %s", "two");
    EXPECT_THAT(mark.mainSince(), HasSubstr("TEST: info 1"));
    EXPECT_THAT(mark.debugSince(), HasSubstr("TEST: debug two"));

    Logger::getInstance()->updateLogLevel(CPlusPlusLogging::LOG_LEVEL_ERROR);
    EXPECT_FALSE(orbLogWanted(orbLogKind::Info));
    EXPECT_TRUE(orbLogWanted(orbLogKind::Error));
    EXPECT_TRUE(orbLogWanted(orbLogKind::Always));
    EXPECT_TRUE(orbLogWanted(orbLogKind::Debug));
    int evaluated = 0;
    ORB_LOG_WARNING("TEST", "skipped %d", ++evaluated);
    EXPECT_EQ(evaluated, 0);
}

}  // namespace
