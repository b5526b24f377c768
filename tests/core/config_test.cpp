#include "core/config.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_environment.h"

namespace {

// A valid file needs at least two members; this one adds a harmless one.
orbConfig parseWith(const std::string& members) {
    return orbConfig::fromContents("{\"CliMode\": \"test\", " + members + "}");
}

TEST(Config, EnableResourcesSelectsTheNamedTypes) {
    // Types 0 (FibreChannel) to 4 (NVMe), 1 where enabled.
    auto enabled = [](const std::string& resources) {
        orbConfig config = parseWith("\"EnableResources\": " + resources);
        std::string found;
        for (int type = 0; type < 5; ++type) {
            found += config.isResourceEnabled(type) ? '1' : '0';
        }
        return found;
    };
    EXPECT_EQ(enabled(R"(["HostOSInfo", "NVMeControllers"])"), "01001");
    EXPECT_EQ(enabled(R"(["hostosinfo", "", "NVMeControllers"])"), "01000");  // "" ends the list
    EXPECT_EQ(enabled(R"(["Host"])"), "00000");                               // names match whole
    // "all" first, or anything but an array whose first entry is a name, enables every type.
    for (const char* all : {R"(["all"])", R"(["", "HostOSInfo"])", R"("HostOSInfo")", "[]"}) {
        EXPECT_EQ(enabled(all), "11111") << all;
    }
    orbConfig config = parseWith(R"("EnableResources": ["all"])");
    for (int reserved : {5, 6, 7, 100, -1}) {
        EXPECT_FALSE(config.isResourceEnabled(reserved)) << reserved;
    }
}

TEST(Config, TextAndSwitchValuesOfWrongTypeTakeTheirDefaults) {
    struct Case {
        const char* members;
        const char* level;
        const char* cliMode;
        bool debug;
    };
    const Case cases[] = {
        {R"("LoggingLevel": "debug", "EnableDebugLog": "TRUE")", "Warning", "test", true},
        {R"("LoggingLevel": ["Info"], "EnableDebugLog": {"a": true})", "Warning", "test", false},
        {R"("LoggingLevel": 4, "EnableDebugLog": true, "CliMode": 3)", "Warning", "test", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.members);
        orbConfig config =
            orbConfig::fromContents(std::string("{\"HealthMonitorFlags\": 1, ") + c.members + "}");
        EXPECT_EQ(config.getORBLoggingLevel(), c.level);
        EXPECT_EQ(config.getTestEventSettings(), c.cliMode);
        EXPECT_EQ(config.getDebugLogSettings(), c.debug);
    }
}

TEST(Config, NumbersFallBackToTheirDefaults) {
    auto pushInterval = [](const std::string& value) {
        return parseWith("\"PushInventoryFrequencyInMinutes\": " + value)
            .getInventoryPushIntervalSettings();
    };
    const std::pair<const char*, long> accepted[] = {
        {"\"15min\"", 15}, {"15.9", 15}, {"52560000", 52560000}};
    for (const auto& [value, expected] : accepted) {
        EXPECT_EQ(pushInterval(value), expected) << value;
    }
    // Not positive, not a number, beyond a long, or minutes whose seconds would not fit the
    // clocks of the timed waits: the default.
    for (const char* value : {"0", "\"abc\"", "[15]", "1e30", "18446744073709551615", "52560001"}) {
        EXPECT_EQ(pushInterval(value), 1440) << value;
    }
}

TEST(Config, UnusableFilesGiveTheBuiltInDefaultsAndSayWhy) {
    // The one-member file is valid JSON, yet too small to be a configuration.
    const std::pair<const char*, const char*> documents[] = {
        {"", "is not valid JSON ("},
        {R"({"LoggingLevel": "Info"})", "holds fewer than two settings"},
        {"null", "top level is not a JSON object"}};
    for (const auto& [document, reason] : documents) {
        SCOPED_TRACE(document);
        orbConfig config = orbConfig::fromContents(document, "/etc/orb.conf");
        EXPECT_TRUE(config.isDefaultSettingsApplied());
        EXPECT_EQ(config.getORBLoggingLevel(), "Warning");
        EXPECT_EQ(config.getrefreshInterval("InfiniBandDevices"), 30);
        EXPECT_EQ(config.getUnhandledExceptionToSimulate(), 0);
        std::string message = config.getRejectionMessage();
        EXPECT_EQ(message.find("Configuration file [/etc/orb.conf] ignored: "), 0u) << message;
        EXPECT_NE(message.find(reason), std::string::npos) << message;
        EXPECT_NE(message.find("defaults in force: logging to syslog at level Warning"),
                  std::string::npos)
            << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
    // A missing file is an installation without one: defaults, and nothing to report.
    orbConfig missing(orbtest::rootPath("/no-such.conf"));
    EXPECT_TRUE(missing.isDefaultSettingsApplied());
    EXPECT_EQ(missing.getRejectionMessage(), "");
    std::string folder = orbtest::rootPath("/etc");
    EXPECT_NE(orbConfig(folder).getRejectionMessage().find("[" + folder + "] ignored"),
              std::string::npos);

    // A usable file's missing keys take their own defaults instead.
    orbConfig usable = parseWith("\"LoggingLevel\": \"Info\"");
    EXPECT_FALSE(usable.isDefaultSettingsApplied());
    EXPECT_EQ(usable.getRejectionMessage(), "");
    EXPECT_EQ(usable.getUnhandledExceptionToSimulate(), -1);
    EXPECT_EQ(usable.getrefreshInterval("InfiniBandDevices"), 3600);
    EXPECT_EQ(usable.getrefreshInterval("NoSuchResource"), 0);
}

TEST(Config, CacheIntervalsHonourGlobal) {
    orbConfig global =
        parseWith(R"("CacheRefreshInSeconds": {"Global": 120, "HostOSInfo": 60, "GPUDevices": 5})");
    for (const char* name : {"StorageControllers", "HostOSInfo", "GPUDevices"}) {
        EXPECT_EQ(global.getrefreshInterval(name), 120) << name;
    }

    orbConfig each = parseWith(
        R"("CacheRefreshInSeconds": {"Global": "", "HostOSInfo": 60, "NVMeControllers": -1,
                                     "EthernetDevices": [1], "GPUDevices": 99999999999})");
    EXPECT_EQ(each.getrefreshInterval("HostOSInfo"), 60);
    for (const char* name :
         {"NVMeControllers", "EthernetDevices", "GPUDevices", "StorageControllers"}) {
        EXPECT_EQ(each.getrefreshInterval(name), 3600) << name;
    }

    for (const char* wrong : {"42", "[120]"}) {
        orbConfig config = parseWith(std::string("\"CacheRefreshInSeconds\": ") + wrong);
        EXPECT_EQ(config.getrefreshInterval("HostOSInfo"), 3600) << wrong;
    }
    orbConfig badGlobal =
        parseWith(R"("CacheRefreshInSeconds": {"Global": {"x": 1}, "HostOSInfo": 60})");
    EXPECT_EQ(badGlobal.getrefreshInterval("HostOSInfo"), 60);
}

TEST(Config, LongTextsAreKeptOrRefusedWhole) {
    std::string longPath = "/var/log/" + std::string(100000, 'x');
    orbConfig config = parseWith("\"ORBLogLocation\": \"" + longPath +
                                 "\", \"DebugLogLocation\": \"\", \"LoggingLevel\": \"" +
                                 std::string(50000, 'I') + "\"");
    EXPECT_EQ(config.getORBLogFileLocation(), longPath);
    EXPECT_EQ(config.getORBDebugLogFileLocation(), "syslog");
    EXPECT_EQ(config.getORBLoggingLevel(), "Warning");
}

}  // namespace
