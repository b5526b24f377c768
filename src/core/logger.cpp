#include "core/logger.h"

#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/log.h"
#include "core/platform_path.h"
#include "core/time_text.h"

const char* const ORB_LOG_LINK_DIRECTORY = "/opt/vex/orb/log";
const char* const ORB_BACKUP_LOG_DIRECTORY = "/scratch/log/vex/orb/backup_log";

namespace {

constexpr size_t kMessageBufferSize = 4096;
const char* const kLoggerModule = "LOGGER";

bool containsIgnoringCase(const std::string& text, const char* word) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find(word) != std::string::npos;
}

bool isSyslogName(const std::string& location) {
    return orbConfig::isEquals(location, "syslog");
}

void systemLog(int priority, const char* format, ...) __attribute__((format(printf, 2, 3)));

void systemLog(int priority, const char* format, ...) {
    std::array<char, kMessageBufferSize> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    openlog("orb", 0, LOG_USER);
    syslog(priority, "%s", text.data());
    closelog();
}

// Configured log paths are absolute host paths, so they live under the same root as
// every other file of the service.
std::string hostPath(const std::string& location) {
    return orbRootPath(location);
}

// A log that could not be set up: the line goes to the system log, as every failure of the
// logger does, and to standard error with what happens instead.
void reportSetupFailure(const char* logName, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

void reportSetupFailure(const char* logName, const char* format, ...) {
    std::array<char, kMessageBufferSize> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    openlog("orb", 0, LOG_USER);
    syslog(LOG_ERR, "%s", text.data());
    closelog();
    std::fprintf(stderr, "orb: %s; %s goes to the system log instead\n", text.data(), logName);
}

std::string lineNumberText(int line) {
    char text[16];
    std::snprintf(text, sizeof(text), line <= 99 ? "%03d" : "%d", line);
    return text;
}

}  // namespace

namespace CPlusPlusLogging {

LoggerSettings LoggerSettings::fromConfig(const orbConfig& config) {
    LoggerSettings settings;
    settings.debugLog = config.getDebugLogSettings();
    settings.debugLogPath = config.getORBDebugLogFileLocation();
    settings.logPath = config.getORBLogFileLocation();
    settings.levelText = config.getORBLoggingLevel();
    return settings;
}

LOG_LEVEL Logger::levelFromText(const std::string& text) {
    if (containsIgnoringCase(text, "error")) {
        return LOG_LEVEL_ERROR;
    }
    if (containsIgnoringCase(text, "warning")) {
        return LOG_LEVEL_WARNING;
    }
    if (containsIgnoringCase(text, "info")) {
        return LOG_LEVEL_INFO;
    }
    return LOG_LEVEL_WARNING;
}

Logger* Logger::getInstance() {
    // Never destroyed: other singletons may still log from their destructors at exit.
    // Every line is flushed when written, so nothing is lost when the process ends.
    static Logger* const instance = createProcessLogger();
    return instance;
}

Logger* Logger::createProcessLogger() {
    const orbConfig& config = *orbConfig::getInstance();
    Logger* logger = new Logger(LoggerSettings::fromConfig(config));

    // What the configuration and the environment decided is said once, now that there is a
    // log to say it in; an operator's mistake is also shown on standard error.
    const std::string rejection = config.getRejectionMessage();
    if (!rejection.empty()) {
        logger->error(rejection, kLoggerModule, __LINE__);
        std::fprintf(stderr, "orb: %s\n", rejection.c_str());
    }
    const orbRootSetting root = orbRootSettingInForce();
    if (root.state == orbRootSetting::InUse) {
        logger->always("Running against the file tree under ORB_ROOT [" + root.value +
                           "]: every host path is taken below it.",
                       kLoggerModule, __LINE__);
    } else if (root.state == orbRootSetting::Ignored) {
        const std::string line = "ORB_ROOT [" + root.value +
                                 "] is not an absolute path and is ignored; the host's own paths "
                                 "are used.";
        logger->error(line, kLoggerModule, __LINE__);
        std::fprintf(stderr, "orb: %s\n", line.c_str());
    }
    return logger;
}

void Logger::loggerInit() {
    getInstance();
}

Logger::Logger(const LoggerSettings& settings)
    : debugLogPath(settings.debugLogPath), logPath(settings.logPath) {
    logLevel.store(levelFromText(settings.levelText));
    debugLogLevel = settings.debugLog ? LOG_LEVEL_DEBUG : DISABLE_DEBUG_LOG;
    logType.store(isSyslogName(logPath) ? SYSTEM_LOG : FILE_LOG);
    debugLogType = isSyslogName(debugLogPath) ? SYSTEM_LOG : FILE_LOG;

    const std::string mainFile = hostPath(logPath);
    const std::string debugFile = hostPath(debugLogPath);

    // A log that cannot be set up is never a reason to end the host process: its lines go to
    // the system log instead, and standard error says so for hosts without one.
    if (logType.load() == FILE_LOG && createDirectoryPath(mainFile) != 0) {
        int error = errno;
        reportSetupFailure("the ORB log",
                           "Failed to create directory path for ORB log file [%s]: %d - %s",
                           mainFile.c_str(), error, std::strerror(error));
        logType.store(SYSTEM_LOG);
    }
    // The debug log's folders are only made when debug lines will really be written there.
    const bool debugToFile = debugLogType == FILE_LOG && debugLogLevel == LOG_LEVEL_DEBUG;
    if (debugToFile && createDirectoryPath(debugFile) != 0) {
        int error = errno;
        reportSetupFailure("the ORB debug log",
                           "Failed to create directory path for ORB debug log file [%s]: %d - %s",
                           debugFile.c_str(), error, std::strerror(error));
        debugLogType = SYSTEM_LOG;
    }
    if (logType.load() == FILE_LOG) {
        logFile.open(mainFile, std::ios::out | std::ios::app);
        if (!logFile.is_open()) {
            int error = errno;
            reportSetupFailure("the ORB log", "Error opening ORB log file [%s]: %d - %s",
                               mainFile.c_str(), error, std::strerror(error));
            logType.store(SYSTEM_LOG);
        }
    }
    if (debugLogType == FILE_LOG && debugLogLevel == LOG_LEVEL_DEBUG) {
        debugLogFile.open(debugFile, std::ios::out | std::ios::app);
        if (!debugLogFile.is_open()) {
            int error = errno;
            reportSetupFailure("the ORB debug log",
                               "Error opening the ORB debug log file[%s]: %d - %s",
                               debugFile.c_str(), error, std::strerror(error));
            debugLogType = SYSTEM_LOG;
        }
    }

    const std::string linkDirectory = orbRootPath(ORB_LOG_LINK_DIRECTORY);
    if (logType.load() == FILE_LOG) {
        createSymbolicLink(mainFile, linkDirectory);
    }
    if (debugLogType == FILE_LOG) {
        createSymbolicLink(debugFile, linkDirectory);
    }
    createSymbolicLink(orbRootPath(ORB_BACKUP_LOG_DIRECTORY), linkDirectory);
}

void Logger::error(const std::string& text, const std::string& module, int line) {
    if (logLevel.load() < 5) {
        write("[ERROR]  ", text, module, line, Destination::Main);
    }
}

void Logger::warning(const std::string& text, const std::string& module, int line) {
    if (logLevel.load() < 4) {
        write("[WARNING]", text, module, line, Destination::Main);
    }
}

void Logger::info(const std::string& text, const std::string& module, int line) {
    if (logLevel.load() < 3) {
        write("[INFO]   ", text, module, line, Destination::Main);
    }
}

void Logger::debug(const std::string& text, const std::string& module, int line) {
    if (debugLogLevel == LOG_LEVEL_DEBUG) {
        write("[DEBUG]", text, module, line, Destination::Debug);
    }
}

void Logger::always(const std::string& text, const std::string& module, int line) {
    write("[INFO]", text, module, line, Destination::Main);
}

void Logger::write(const char* levelTag, const std::string& text, const std::string& module,
                   int line, Destination destination) {
    LOG_TYPE type = destination == Destination::Main ? logType.load() : debugLogType;
    std::lock_guard<std::mutex> guard(writeMutex);
    if (type == FILE_LOG) {
        writeToFile(levelTag, text, module, line);
    } else {
        writeToSyslog(levelTag, text, module, line);
    }
}

void Logger::writeToFile(const char* levelTag, const std::string& text, const std::string& module,
                         int line) {
    std::ofstream* stream = nullptr;
    if (std::strstr(levelTag, "DEBUG") != nullptr) {
        stream = &debugLogFile;
    } else if (std::strstr(levelTag, "ERROR") != nullptr ||
               std::strstr(levelTag, "WARNING") != nullptr ||
               std::strstr(levelTag, "INFO") != nullptr) {
        stream = &logFile;
    }
    if (stream == nullptr || !stream->is_open()) {
        return;
    }
    *stream << orbLogTimeText() << ' ' << levelTag << ' ' << lineNumberText(line) << ' ' << module
            << ": " << text << '\n';
    stream->flush();
}

void Logger::writeToSyslog(const char* levelTag, const std::string& text, const std::string& module,
                           int line) {
    std::string entry =
        std::string(levelTag) + ' ' + lineNumberText(line) + ' ' + module + ": " + text + '\n';
    int priority = LOG_INFO;
    if (std::strstr(levelTag, "ERROR") != nullptr) {
        priority = LOG_ERR;
    } else if (std::strstr(levelTag, "WARNING") != nullptr) {
        priority = LOG_WARNING;
    } else if (std::strstr(levelTag, "INFO") != nullptr) {
        priority = LOG_INFO;
    } else if (std::strstr(levelTag, "DEBUG") != nullptr) {
        priority = LOG_DEBUG;
    }
    openlog("orb", 0, LOG_USER);
    syslog(priority, "%s", entry.c_str());
    closelog();
}

}  // namespace CPlusPlusLogging

int createDirectoryPath(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) == 0) {
            continue;
        }
        struct stat existing {};
        if (errno != EEXIST || stat(folder.c_str(), &existing) != 0 || !S_ISDIR(existing.st_mode)) {
            if (errno == EEXIST) {
                errno = ENOTDIR;
            }
            return -1;
        }
    }
    return 0;
}

void createSymbolicLink(const std::string& target, const std::string& linkDirectory) {
    if (access(target.c_str(), R_OK) != 0) {
        return;
    }
    std::string trimmed(target);
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    size_t slash = trimmed.rfind('/');
    std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (name.empty() || name == "/") {
        systemLog(LOG_ERR, "basename(%s) returned NULL", target.c_str());
        return;
    }
    std::string linkPath = linkDirectory + "/" + name;

    // The link folder may be the log's own folder: then the "link" is the log file itself,
    // which must never be removed.
    struct stat atLink {};
    struct stat atTarget {};
    bool linkExists = lstat(linkPath.c_str(), &atLink) == 0;
    bool isTargetItself =
        linkPath == target ||
        (linkExists && !S_ISLNK(atLink.st_mode) && stat(target.c_str(), &atTarget) == 0 &&
         atLink.st_dev == atTarget.st_dev && atLink.st_ino == atTarget.st_ino);
    if (isTargetItself) {
        systemLog(LOG_INFO,
                  "Target path(%s) matches symbolic link path(%s). Hence, symbolic link will not "
                  "be created.",
                  target.c_str(), linkPath.c_str());
        return;
    }
    if (linkExists && S_ISLNK(atLink.st_mode) && remove(linkPath.c_str()) != 0 && errno != ENOENT) {
        systemLog(LOG_WARNING, "remove(%s) completed with errno [%d]", linkPath.c_str(), errno);
        return;
    }
    if (symlink(target.c_str(), linkPath.c_str()) != 0 && errno != EEXIST) {
        systemLog(LOG_WARNING, "symlink(%s, %s) completed with errno [%d]", target.c_str(),
                  linkPath.c_str(), errno);
    }
}

// Logging never throws: a line that cannot be built or written (memory exhausted) is lost
// rather than failing the caller, which may be a C-linkage query or a destructor.
bool orbLogWanted(orbLogKind kind) try {
    CPlusPlusLogging::Logger* logger = CPlusPlusLogging::Logger::getInstance();
    int level = logger->getLoglevel();
    switch (kind) {
        case orbLogKind::Debug:
            return logger->getDebugLoglevel() == CPlusPlusLogging::LOG_LEVEL_DEBUG || level <= 1;
        case orbLogKind::Info:
            return level <= 2;
        case orbLogKind::Warning:
            return level <= 3;
        case orbLogKind::Error:
            return level <= 4;
        case orbLogKind::Always:
            return true;
    }
    return true;
} catch (...) {
    return false;
}

void orbLogWrite(orbLogKind kind, const char* module, int line, const char* format, ...) {
    std::array<char, kMessageBufferSize> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);

    try {
        CPlusPlusLogging::Logger* logger = CPlusPlusLogging::Logger::getInstance();
        std::string message(text.data());
        std::string tag(module != nullptr ? module : "");
        switch (kind) {
            case orbLogKind::Error:
                logger->error(message, tag, line);
                break;
            case orbLogKind::Warning:
                logger->warning(message, tag, line);
                break;
            case orbLogKind::Info:
                logger->info(message, tag, line);
                break;
            case orbLogKind::Debug:
                logger->debug(message, tag, line);
                break;
            case orbLogKind::Always:
                logger->always(message, tag, line);
                break;
        }
    } catch (...) {
        // The line is lost, as orbLogWanted explains.
    }
}
