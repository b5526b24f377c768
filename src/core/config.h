#pragma once

#include <map>
#include <string>
#include <vector>

// The service's tunable behaviour, read once from /etc/config/vex/orb/orb.conf. Every value is
// validated on reading; a missing or unusable value takes its default, and a missing or
// unusable file gives the built-in defaults for everything. Nothing is logged here: the logger
// reads its own settings from this class, and reports a rejected file once it is set up.
class orbConfig {
  public:
    // The process-wide configuration, read from the configuration file on first use.
    static orbConfig* getInstance();

    // Reads the configuration from the given file (the singleton uses the fixed path).
    explicit orbConfig(const std::string& path);

    // A configuration read from the text of a configuration file.
    static orbConfig fromContents(const std::string& contents,
                                  const std::string& source = "(configuration text)");

    bool getDebugLogSettings() const { return debugLog; }
    std::string getTestEventSettings() const { return cliMode; }
    long getInventoryPushIntervalSettings() const { return pushInterval; }
    long getInventoryQueryInterval() const { return inventoryQueryInterval; }
    long getDoorBellSleepInterval() const { return doorBellInterval; }
    std::string getORBLogFileLocation() const { return logLocation; }
    std::string getORBDebugLogFileLocation() const { return debugLogLocation; }
    std::string getORBLoggingLevel() const { return loggingLevel; }
    bool isDefaultSettingsApplied() const { return defaultSettingsApplied; }
    // One line saying which file was rejected, why, and which defaults are in force; empty
    // when the file was used or is simply absent.
    std::string getRejectionMessage() const;
    bool isUnhandledExceptionStackCaptureEnabled() const { return captureExceptionStack; }
    long getUnhandledExceptionToSimulate() const { return exceptionToSimulate; }
    bool isForwardAllMegaRAIDCriticalOrHigherEventsEnabled() const {
        return forwardMegaRAIDCritical;
    }
    bool isForwardAllSmartRAIDDegradedOrHigherEventsEnabled() const {
        return forwardSmartRAIDDegraded;
    }
    bool isMegaRAID9560LoadingInspectionDisabled() const { return disable9560LoadingInspection; }
    bool isRMStatisticsLoggingEnabled() const { return logRMStatistics; }
    long getMicrochipEventQueueIndex() const { return microchipEventQueueIndex; }
    long getHealthMonitorFlags() const { return healthMonitorFlags; }

    // Types 0 to 4 are enabled when "EnableResources" names them or holds "All"; no other
    // type is ever enabled.
    bool isResourceEnabled(int type) const;

    // Refresh interval in seconds of a resource by module name; 0 for a name without one.
    long getrefreshInterval(const std::string& resourceName) const;

    // Validation steps, usable on their own.
    static bool isEquals(const std::string& a, const std::string& b);
    static std::string validateString(const std::string& name, const std::string& value);
    static bool validateBool(const std::string& name, const std::string& value);
    static long validateNumerical(const std::string& name, const std::string& value);
    bool checkForResourceString(const std::string& name) const;
    void setCommonCacheRefreshInterval(const std::string& value);
    void setDefaultValues();

  private:
    orbConfig() = default;
    void initConfigSettings(const std::string& path);
    void applyContents(const std::string& contents);
    void reject(const std::string& reason);

    std::vector<std::string> enabledResources;
    std::string loggingLevel = "Warning";
    bool debugLog = false;
    std::string cliMode = "test";
    std::map<std::string, long> refreshIntervals;
    long pushInterval = 1440;
    std::string logLocation = "syslog";
    std::string debugLogLocation = "syslog";
    long doorBellInterval = 10;
    long inventoryQueryInterval = 10;
    bool captureExceptionStack = false;
    long exceptionToSimulate = -1;
    bool forwardMegaRAIDCritical = false;
    bool forwardSmartRAIDDegraded = false;
    bool disable9560LoadingInspection = false;
    bool logRMStatistics = false;
    long microchipEventQueueIndex = 0;
    long healthMonitorFlags = 0;
    bool defaultSettingsApplied = false;
    std::string source;
    std::string rejectionReason;
};

// The fixed location of the configuration file.
extern const char* const ORB_CONFIG_FILE_PATH;
