#include "core/config.h"

#include <json/json.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>

#include "core/module_names.h"
#include "core/platform_path.h"

const char* const ORB_CONFIG_FILE_PATH = "/etc/config/vex/orb/orb.conf";

namespace {

// A configuration file is a few hundred bytes; anything far larger is not one.
constexpr std::streamsize kMaxConfigFileBytes = 4 * 1024 * 1024;

// Intervals are turned into seconds and added to the current time for timed waits; beyond a
// century either step would overflow the clocks the waits use, so such values are invalid.
constexpr long kMaxIntervalSeconds = 100L * 365 * 24 * 60 * 60;

const char* const kCacheResources[] = {"StorageControllers",  "NVMeControllers", "HostOSInfo",
                                       "FibreChannelDevices", "EthernetDevices", "GPUDevices",
                                       "InfiniBandDevices"};

const char* const kBoolKeys[] = {"EnableDebugLog",
                                 "CaptureUnhandledExceptionStack",
                                 "ForwardAllMegaRAIDCriticalOrHigherEvents",
                                 "ForwardAllSmartRAIDDegradedOrHigherEvents",
                                 "DisableMegaRAID9560LoadingInspection",
                                 "LogResourceManagerStatistics"};

struct NumericKey {
    const char* name;
    long defaultValue;
    long maxValue;
};

const NumericKey kNumericKeys[] = {
    {"CacheRefreshInterval", 3600, kMaxIntervalSeconds},
    {"RMCCacheSendInterval", 1440, kMaxIntervalSeconds / 60},
    {"IPMIDBSleepInterval", 10, kMaxIntervalSeconds / 60},
    {"InventoryQueryIntervalInSeconds", 10, kMaxIntervalSeconds},
    {"SimulateUnhandledException", -1, std::numeric_limits<long>::max()},
    {"MicrochipEventQueueIndex", 0, std::numeric_limits<long>::max()},
    {"HealthMonitorFlags", 0, std::numeric_limits<long>::max()},
};

const NumericKey* findNumericKey(const std::string& name) {
    for (const NumericKey& key : kNumericKeys) {
        if (orbConfig::isEquals(name, key.name)) {
            return &key;
        }
    }
    return nullptr;
}

bool isBoolKey(const std::string& name) {
    for (const char* key : kBoolKeys) {
        if (orbConfig::isEquals(name, key)) {
            return true;
        }
    }
    return false;
}

// A value as text, the way the JSON library converts scalars. Arrays and objects have no
// text and read as empty, which every validator turns into the key's default. An integral
// real is written as an integer so that 1e3 reads as 1000, not as 1; a real beyond the range
// of a long reads as empty rather than as the leading digit of its exponent form.
std::string valueText(const Json::Value& value) {
    switch (value.type()) {
        case Json::nullValue:
        case Json::arrayValue:
        case Json::objectValue:
            return std::string();
        case Json::realValue: {
            double real = value.asDouble();
            if (!std::isfinite(real) || std::fabs(real) >= 9.2e18) {
                return std::string();
            }
            if (std::floor(real) == real) {
                return std::to_string(static_cast<long>(real));
            }
            return value.asString();
        }
        default:
            return value.asString();
    }
}

std::string memberText(const Json::Value& object, const char* key) {
    if (!object.isObject()) {
        return std::string();
    }
    return valueText(object.get(key, Json::Value()));
}

// The first few lines of the JSON reader's complaint on one line, with anything unprintable
// (it may quote the file) shown as '?'.
std::string oneLine(const std::string& text) {
    constexpr size_t kMaxReasonLength = 200;
    std::string line;
    bool blank = true;
    for (char c : text) {
        if (line.size() >= kMaxReasonLength) {
            line += "...";
            break;
        }
        if (c == '\n' || c == '\r' || c == '\t' || c == ' ' || c == '*') {
            if (!blank) {
                line += ' ';
            }
            blank = true;
            continue;
        }
        line += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
        blank = false;
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

enum class ReadResult { Read, Missing, Unreadable, TooLarge };

ReadResult readWholeFile(const std::string& path, std::string& contents, int& error) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = errno;
        return error == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    }
    std::ostringstream buffer;
    char chunk[8192];
    std::streamsize total = 0;
    while (in.read(chunk, sizeof(chunk)) || in.gcount() > 0) {
        total += in.gcount();
        if (total > kMaxConfigFileBytes) {
            return ReadResult::TooLarge;
        }
        buffer.write(chunk, in.gcount());
    }
    if (in.bad()) {
        error = errno;
        return ReadResult::Unreadable;
    }
    contents = buffer.str();
    return ReadResult::Read;
}

}  // namespace

orbConfig* orbConfig::getInstance() {
    static orbConfig instance(orbRootPath(ORB_CONFIG_FILE_PATH));
    return &instance;
}

orbConfig::orbConfig(const std::string& path) : source(path) {
    initConfigSettings(path);
}

orbConfig orbConfig::fromContents(const std::string& contents, const std::string& source) {
    orbConfig config;
    config.source = source;
    config.applyContents(contents);
    return config;
}

std::string orbConfig::getRejectionMessage() const {
    if (rejectionReason.empty()) {
        return std::string();
    }
    std::string enabled;
    for (const std::string& resource : enabledResources) {
        enabled += (enabled.empty() ? "" : ", ") + resource;
    }
    auto interval = refreshIntervals.find("HostOSInfo");
    return "Configuration file [" + source + "] ignored: " + rejectionReason +
           ". Built-in defaults in force: logging to " + logLocation + " at level " + loggingLevel +
           ", debug log " + (debugLog ? "on" : "off") + ", resources " + enabled +
           ", inventory push every " + std::to_string(pushInterval) +
           " minutes, cache refresh every " +
           std::to_string(interval != refreshIntervals.end() ? interval->second : 0) +
           " seconds, door-bell poll every " + std::to_string(doorBellInterval) + " minutes.";
}

void orbConfig::reject(const std::string& reason) {
    rejectionReason = reason;
    setDefaultValues();
}

bool orbConfig::isEquals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string orbConfig::validateString(const std::string& name, const std::string& value) {
    if (isEquals(name, "LoggingLevel")) {
        if (isEquals(value, "Info") || isEquals(value, "Error") || isEquals(value, "Warning")) {
            return value;
        }
        return "Warning";
    }
    if (isEquals(name, "CliMode")) {
        if (isEquals(value, "test") || isEquals(value, "inject")) {
            return value;
        }
        return "test";
    }
    return std::string();
}

bool orbConfig::validateBool(const std::string& name, const std::string& value) {
    return isBoolKey(name) && isEquals(value, "true");
}

long orbConfig::validateNumerical(const std::string& name, const std::string& value) {
    const NumericKey* key = findNumericKey(name);
    if (key == nullptr) {
        return -1;
    }
    if (value.empty()) {
        return key->defaultValue;
    }
    errno = 0;
    char* end = nullptr;
    long number = std::strtol(value.c_str(), &end, 10);
    if (end == value.c_str() || errno == ERANGE || number <= 0 || number > key->maxValue) {
        return key->defaultValue;
    }
    return number;
}

bool orbConfig::checkForResourceString(const std::string& name) const {
    for (const std::string& entry : enabledResources) {
        if (isEquals(entry, name) || isEquals(entry, "All")) {
            return true;
        }
    }
    return false;
}

bool orbConfig::isResourceEnabled(int type) const {
    if (type < RESOURCE_FC || type > RESOURCE_NVME) {
        return false;
    }
    const std::string* name = orbModuleName(type);
    return name != nullptr && checkForResourceString(*name);
}

long orbConfig::getrefreshInterval(const std::string& resourceName) const {
    // Never inserts: the map is read from every manager thread.
    auto it = refreshIntervals.find(resourceName);
    return it == refreshIntervals.end() ? 0 : it->second;
}

void orbConfig::setCommonCacheRefreshInterval(const std::string& value) {
    long seconds = validateNumerical("CacheRefreshInterval", value);
    for (const char* resource : kCacheResources) {
        refreshIntervals[resource] = seconds;
    }
}

void orbConfig::setDefaultValues() {
    debugLog = false;
    pushInterval = 1440;
    setCommonCacheRefreshInterval("30");
    loggingLevel = "Warning";
    logLocation = "syslog";
    debugLogLocation = "syslog";
    enabledResources.push_back("All");
    doorBellInterval = 10;
    captureExceptionStack = false;
    exceptionToSimulate = 0;
    forwardMegaRAIDCritical = false;
    forwardSmartRAIDDegraded = false;
    disable9560LoadingInspection = false;
    logRMStatistics = false;
    microchipEventQueueIndex = 0;
    healthMonitorFlags = 0;
    cliMode = "test";
    inventoryQueryInterval = 10;
    defaultSettingsApplied = true;
}

void orbConfig::initConfigSettings(const std::string& path) {
    std::string contents;
    int error = 0;
    switch (readWholeFile(path, contents, error)) {
        case ReadResult::Read:
            applyContents(contents);
            return;
        case ReadResult::Missing:
            // No file at all is an installation without one: the defaults, quietly.
            setDefaultValues();
            return;
        case ReadResult::Unreadable:
            reject(error != 0 ? std::string("it cannot be read (") + std::strerror(error) + ")"
                              : std::string("it cannot be read"));
            return;
        case ReadResult::TooLarge:
            reject("it is larger than any configuration file (over 4 MiB)");
            return;
    }
}

void orbConfig::applyContents(const std::string& contents) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    const char* begin = contents.data();
    if (!reader->parse(begin, begin + contents.size(), &root, &errors)) {
        reject("it is not valid JSON (" + oneLine(errors) + ")");
        return;
    }
    if (!root.isObject()) {
        reject("its top level is not a JSON object");
        return;
    }
    if (root.size() < 2) {
        reject("it holds fewer than two settings");
        return;
    }

    const Json::Value& resources = root.get("EnableResources", Json::Value());
    std::string first = resources.isArray() ? valueText(resources.get(0u, Json::Value())) : "";
    if (first.empty() || isEquals(first, "All")) {
        enabledResources.push_back("All");
    } else {
        for (Json::ArrayIndex i = 0; i < resources.size(); ++i) {
            std::string entry = valueText(resources[i]);
            if (entry.empty()) {
                break;
            }
            enabledResources.push_back(entry);
        }
    }

    loggingLevel = validateString("LoggingLevel", memberText(root, "LoggingLevel"));
    debugLog = validateBool("EnableDebugLog", memberText(root, "EnableDebugLog"));
    cliMode = validateString("CliMode", memberText(root, "CliMode"));

    const Json::Value& cache = root.get("CacheRefreshInSeconds", Json::Value());
    std::string global = memberText(cache, "Global");
    if (!global.empty()) {
        setCommonCacheRefreshInterval(global);
    } else {
        for (const char* resource : kCacheResources) {
            refreshIntervals[resource] =
                validateNumerical("CacheRefreshInterval", memberText(cache, resource));
        }
    }

    pushInterval = validateNumerical("RMCCacheSendInterval",
                                     memberText(root, "PushInventoryFrequencyInMinutes"));
    std::string location = memberText(root, "ORBLogLocation");
    logLocation = location.empty() ? "syslog" : location;
    location = memberText(root, "DebugLogLocation");
    debugLogLocation = location.empty() ? "syslog" : location;
    doorBellInterval =
        validateNumerical("IPMIDBSleepInterval", memberText(root, "IPMIDoorBellMonitorInterval"));
    inventoryQueryInterval = validateNumerical("InventoryQueryIntervalInSeconds",
                                               memberText(root, "InventoryQueryIntervalInSeconds"));
    captureExceptionStack = validateBool("CaptureUnhandledExceptionStack",
                                         memberText(root, "CaptureUnhandledExceptionStack"));
    exceptionToSimulate = validateNumerical("SimulateUnhandledException",
                                            memberText(root, "SimulateUnhandledException"));
    forwardMegaRAIDCritical =
        validateBool("ForwardAllMegaRAIDCriticalOrHigherEvents",
                     memberText(root, "ForwardAllMegaRAIDCriticalOrHigherEvents"));
    forwardSmartRAIDDegraded =
        validateBool("ForwardAllSmartRAIDDegradedOrHigherEvents",
                     memberText(root, "ForwardAllSmartRAIDDegradedOrHigherEvents"));
    disable9560LoadingInspection =
        validateBool("DisableMegaRAID9560LoadingInspection",
                     memberText(root, "DisableMegaRAID9560LoadingInspection"));
    logRMStatistics = validateBool("LogResourceManagerStatistics",
                                   memberText(root, "LogResourceManagerStatistics"));
    microchipEventQueueIndex =
        validateNumerical("MicrochipEventQueueIndex", memberText(root, "MicrochipEventQueueIndex"));
    healthMonitorFlags =
        validateNumerical("HealthMonitorFlags", memberText(root, "HealthMonitorFlags"));
}
