#pragma once

#include <atomic>
#include <fstream>
#include <mutex>
#include <string>

class orbConfig;

namespace CPlusPlusLogging {

enum LOG_LEVEL {
    LOG_LEVEL_DEBUG = 1,
    LOG_LEVEL_INFO = 2,
    LOG_LEVEL_WARNING = 3,
    LOG_LEVEL_ERROR = 4,
    DISABLE_DEBUG_LOG = 12,
};

// Where a log goes: a file, or the system log.
enum LOG_TYPE {
    FILE_LOG = 2,
    SYSTEM_LOG = 3,
};

// What the logger takes from the configuration.
struct LoggerSettings {
    bool debugLog = false;
    std::string debugLogPath = "syslog";
    std::string logPath = "syslog";
    std::string levelText = "Warning";

    static LoggerSettings fromConfig(const orbConfig& config);
};

// The one logger of the process. Main messages (error, warning, info, always) and debug
// messages each go to a file or to the system log, as configured; every write is serialised
// so that lines from different threads never interleave.
class Logger {
  public:
    // The process-wide logger, created from the configuration on first use.
    static Logger* getInstance();
    static void loggerInit();

    explicit Logger(const LoggerSettings& settings);
    ~Logger() = default;
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void error(const std::string& text, const std::string& module, int line);
    void warning(const std::string& text, const std::string& module, int line);
    void info(const std::string& text, const std::string& module, int line);
    void debug(const std::string& text, const std::string& module, int line);
    void always(const std::string& text, const std::string& module, int line);

    LOG_LEVEL getLoglevel() const { return logLevel.load(); }
    LOG_LEVEL getDebugLoglevel() const { return debugLogLevel; }
    void updateLogLevel(LOG_LEVEL level) { logLevel.store(level); }
    void enableFileLogging() { logType.store(FILE_LOG); }

    // The level a configured text stands for: it contains "error", "warning" or "info"
    // (ignoring case), else warning.
    static LOG_LEVEL levelFromText(const std::string& text);

  private:
    enum class Destination { Main, Debug };

    static Logger* createProcessLogger();

    void write(const char* levelTag, const std::string& text, const std::string& module, int line,
               Destination destination);
    void writeToFile(const char* levelTag, const std::string& text, const std::string& module,
                     int line);
    void writeToSyslog(const char* levelTag, const std::string& text, const std::string& module,
                       int line);

    std::ofstream logFile;
    std::ofstream debugLogFile;
    std::mutex writeMutex;
    std::string debugLogPath;
    std::string logPath;
    std::atomic<LOG_LEVEL> logLevel{LOG_LEVEL_WARNING};
    LOG_LEVEL debugLogLevel = DISABLE_DEBUG_LOG;
    std::atomic<LOG_TYPE> logType{SYSTEM_LOG};
    LOG_TYPE debugLogType = SYSTEM_LOG;
};

}  // namespace CPlusPlusLogging

// Creates every folder of a file path (the last component is the file and is not created),
// with mode 0700. An existing folder is fine. Returns 0, or -1 on the first other failure.
int createDirectoryPath(const std::string& path);

// Links a readable target into a folder under the target's own file name. A link already
// there is replaced; anything else there is left alone, and so is the target itself.
void createSymbolicLink(const std::string& target, const std::string& linkDirectory);

// The fixed folders the logs are linked into.
extern const char* const ORB_LOG_LINK_DIRECTORY;
extern const char* const ORB_BACKUP_LOG_DIRECTORY;
