#include "core/config.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_environment.h"

namespace {

orbConfig parse(const std::string& text) {
    return orbConfig::fromContents(text);
}

// A valid file needs at least two members; this one carries only harmless values.
std::string withFiller(const std::string& members) {
    return "{\"CliMode\": \"test\", " + members + "}";
}

TEST(Config, EnableResourcesSelectsTheNamedTypes) {
    struct Case {
        const char* resources;
        bool fc, host, sas, nic, nvme;
    };
    const Case cases[] = {
        {R"(["all"])", true, true, true, true, true},
        {R"(["HostOSInfo", "NVMeControllers"])", false, true, false, false, true},
        {R"(["", "HostOSInfo"])", true, true, true, true, true},
        {R"(["hostosinfo", "", "NVMeControllers"])", false, true, false, false, false},
        {R"("HostOSInfo")", true, true, true, true, true},
        {R"({"0": "HostOSInfo"})", true, true, true, true, true},
        {R"([["HostOSInfo"]])", true, true, true, true, true},
        {R"([])", true, true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resources);
        orbConfig config = parse(withFiller(std::string("\"EnableResources\": ") + c.resources));
        EXPECT_EQ(config.isResourceEnabled(0), c.fc);
        EXPECT_EQ(config.isResourceEnabled(1), c.host);
        EXPECT_EQ(config.isResourceEnabled(2), c.sas);
        EXPECT_EQ(config.isResourceEnabled(3), c.nic);
        EXPECT_EQ(config.isResourceEnabled(4), c.nvme);
        for (int reserved : {5, 6, 7, 100, 106, -1}) {
            EXPECT_FALSE(config.isResourceEnabled(reserved));
        }
    }
}

TEST(Config, TextAndSwitchValuesAreValidated) {
    struct Case {
        const char* members;
        const char* level;
        const char* cliMode;
        bool debug;
    };
    const Case cases[] = {
        {R"("LoggingLevel": "debug", "EnableDebugLog": "TRUE")", "Warning", "test", true},
        {R"("LoggingLevel": "INFO", "CliMode": "Inject")", "INFO", "Inject", false},
        {R"("LoggingLevel": ["Info"], "EnableDebugLog": {"a": true})", "Warning", "test", false},
        {R"("LoggingLevel": 4, "EnableDebugLog": true, "CliMode": 3)", "Warning", "test", true},
        {R"("LoggingLevel": null, "EnableDebugLog": 1)", "Warning", "test", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.members);
        orbConfig config = parse(std::string("{\"HealthMonitorFlags\": 1, ") + c.members + "}");
        EXPECT_EQ(config.getORBLoggingLevel(), c.level);
        EXPECT_EQ(config.getTestEventSettings(), c.cliMode);
        EXPECT_EQ(config.getDebugLogSettings(), c.debug);
        EXPECT_FALSE(config.isDefaultSettingsApplied());
    }
}

TEST(Config, NumbersFallBackToTheirDefaults) {
    struct Case {
        const char* value;
        long expected;
    };
    const Case cases[] = {
        {"15", 15},
        {"\"15min\"", 15},
        {"\"  +20\"", 20},
        {"15.9", 15},
        {"1e3", 1000},
        {"0", 1440},
        {"-5", 1440},
        {"\"abc\"", 1440},
        {"\"\"", 1440},
        {"true", 1440},
        {"[15]", 1440},
        {"{\"v\": 15}", 1440},
        {"1e30", 1440},
        {"9223372036854775807", 1440},
        {"18446744073709551615", 1440},
        {"\"99999999999999999999999\"", 1440},
        // Minutes whose seconds would not fit the clocks of the timed waits.
        {"52560001", 1440},
        {"52560000", 52560000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        orbConfig config =
            parse(withFiller(std::string("\"PushInventoryFrequencyInMinutes\": ") + c.value));
        EXPECT_EQ(config.getInventoryPushIntervalSettings(), c.expected);
    }
}

TEST(Config, MissingKeysOfAValidFileTakeTheirDefaults) {
    orbConfig config = parse(withFiller("\"LoggingLevel\": \"Info\""));
    EXPECT_FALSE(config.isDefaultSettingsApplied());
    EXPECT_EQ(config.getUnhandledExceptionToSimulate(), -1);
    EXPECT_EQ(config.getInventoryPushIntervalSettings(), 1440);
    EXPECT_EQ(config.getDoorBellSleepInterval(), 10);
    EXPECT_EQ(config.getInventoryQueryInterval(), 10);
    EXPECT_EQ(config.getrefreshInterval("HostOSInfo"), 3600);
    EXPECT_EQ(config.getORBLogFileLocation(), "syslog");
    EXPECT_EQ(config.getORBDebugLogFileLocation(), "syslog");
    EXPECT_EQ(config.getMicrochipEventQueueIndex(), 0);
    EXPECT_EQ(config.getHealthMonitorFlags(), 0);
    EXPECT_FALSE(config.isForwardAllMegaRAIDCriticalOrHigherEventsEnabled());
    EXPECT_FALSE(config.isMegaRAID9560LoadingInspectionDisabled());
    EXPECT_EQ(config.getrefreshInterval("NoSuchResource"), 0);
}

TEST(Config, UnusableFilesGiveTheBuiltInDefaults) {
    const char* documents[] = {
        "",
        "{",
        "not json",
        R"({"LoggingLevel": "Info"})",
        R"(["LoggingLevel", "Info", "EnableDebugLog"])",
        "42",
        R"("a string")",
        "null",
    };
    for (const char* document : documents) {
        SCOPED_TRACE(document);
        orbConfig config = parse(document);
        EXPECT_TRUE(config.isDefaultSettingsApplied());
        EXPECT_EQ(config.getORBLoggingLevel(), "Warning");
        EXPECT_EQ(config.getrefreshInterval("StorageControllers"), 30);
        EXPECT_EQ(config.getrefreshInterval("InfiniBandDevices"), 30);
        EXPECT_EQ(config.getUnhandledExceptionToSimulate(), 0);
        EXPECT_TRUE(config.isResourceEnabled(1));
    }
    orbConfig missing(orbtest::rootPath("/etc/config/vex/orb/no-such.conf"));
    EXPECT_TRUE(missing.isDefaultSettingsApplied());
    EXPECT_EQ(missing.getrefreshInterval("HostOSInfo"), 30);
}

TEST(Config, CacheIntervalsHonourGlobal) {
    orbConfig global = parse(withFiller(
        R"("CacheRefreshInSeconds": {"Global": 120, "HostOSInfo": 60, "NVMeControllers": 5})"));
    for (const char* name :
         {"StorageControllers", "NVMeControllers", "HostOSInfo", "FibreChannelDevices",
          "EthernetDevices", "GPUDevices", "InfiniBandDevices"}) {
        EXPECT_EQ(global.getrefreshInterval(name), 120) << name;
    }

    orbConfig each = parse(withFiller(
        R"("CacheRefreshInSeconds": {"Global": "", "HostOSInfo": 60, "NVMeControllers": -1,
                                     "EthernetDevices": [1], "GPUDevices": 99999999999})"));
    EXPECT_EQ(each.getrefreshInterval("HostOSInfo"), 60);
    EXPECT_EQ(each.getrefreshInterval("NVMeControllers"), 3600);
    EXPECT_EQ(each.getrefreshInterval("EthernetDevices"), 3600);
    EXPECT_EQ(each.getrefreshInterval("GPUDevices"), 3600);
    EXPECT_EQ(each.getrefreshInterval("StorageControllers"), 3600);

    for (const char* wrong : {"42", "\"Global\"", "[120]", "null"}) {
        orbConfig config = parse(withFiller(std::string("\"CacheRefreshInSeconds\": ") + wrong));
        EXPECT_EQ(config.getrefreshInterval("HostOSInfo"), 3600) << wrong;
    }
    orbConfig badGlobal =
        parse(withFiller(R"("CacheRefreshInSeconds": {"Global": {"x": 1}, "HostOSInfo": 60})"));
    EXPECT_EQ(badGlobal.getrefreshInterval("HostOSInfo"), 60);
}

TEST(Config, LogLocationsAndLongTextsAreKept) {
    std::string longPath = "/var/log/" + std::string(100000, 'x');
    orbConfig config = parse(withFiller("\"ORBLogLocation\": \"" + longPath +
                                        "\", \"DebugLogLocation\": \"\", "
                                        "\"LoggingLevel\": \"" +
                                        std::string(50000, 'I') + "\""));
    EXPECT_EQ(config.getORBLogFileLocation(), longPath);
    EXPECT_EQ(config.getORBDebugLogFileLocation(), "syslog");
    EXPECT_EQ(config.getORBLoggingLevel(), "Warning");
}

TEST(Config, ValidatorsStandAlone) {
    EXPECT_TRUE(orbConfig::isEquals("HostOSInfo", "hostosinfo"));
    EXPECT_FALSE(orbConfig::isEquals("Host", "HostOSInfo"));
    EXPECT_EQ(orbConfig::validateNumerical("NoSuchKey", "15"), -1);
    EXPECT_EQ(orbConfig::validateNumerical("SimulateUnhandledException", "11"), 11);
    EXPECT_EQ(orbConfig::validateNumerical("MicrochipEventQueueIndex", "-3"), 0);
    EXPECT_FALSE(orbConfig::validateBool("NoSuchKey", "true"));
    EXPECT_TRUE(orbConfig::validateBool("logresourcemanagerstatistics", "True"));
    EXPECT_EQ(orbConfig::validateString("NoSuchKey", "Info"), "");
}

TEST(Config, TheServiceReadsTheHostsFile) {
    orbConfig* config = orbConfig::getInstance();
    EXPECT_EQ(config, orbConfig::getInstance());
    EXPECT_EQ(config->getORBLoggingLevel(), "Info");
    EXPECT_TRUE(config->getDebugLogSettings());
    EXPECT_EQ(config->getInventoryQueryInterval(), 1);
}

}  // namespace
