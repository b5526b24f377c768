#include "host/platform_check.h"

#include <errno.h>
#include <syslog.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "host/smbios.h"

namespace {

struct PlatformTexts {
    std::once_flag filled;
    std::string payloadPath;
    std::string startupDirectory;
    std::string cardManufacturer;
};

PlatformTexts& texts() {
    static PlatformTexts instance;
    return instance;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// The first blank-separated word of the System Information manufacturer. Reported through
// the system log: the service's own logger asks for these paths while it starts.
std::string readCardManufacturer() {
    if (SmBiosInit() != 0) {
        int error = errno;
        syslog(LOG_INFO, "Error starting SMBIOS table, Error : %d , Reason : %s", error,
               std::strerror(error));
        return std::string();
    }
    const int systemInformation = 1;
    void* records = nullptr;
    int count = 0;
    int result = getSmbiosRecordsByType(systemInformation, &records, &count);
    std::unique_ptr<void, FreeDeleter> owned(records);
    if (result != 0 || records == nullptr || count < 1) {
        syslog(LOG_WARNING, "Unable to fetch smbios type %d record", systemInformation);
        return std::string();
    }
    const DMI_SYSTEM_INFO* info = static_cast<const DMI_SYSTEM_INFO*>(records);
    std::string manufacturer(info->manufacturer,
                             strnlen(info->manufacturer, sizeof(info->manufacturer)));
    size_t start = manufacturer.find_first_not_of(' ');
    if (start == std::string::npos) {
        return std::string();
    }
    size_t end = manufacturer.find(' ', start);
    return manufacturer.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

void platformCheck::setDirectoryPath() {
    PlatformTexts& t = texts();
    std::call_once(t.filled, [&t]() {
        t.payloadPath = "/opt/vex/orb";
        t.startupDirectory = "/var/tmp/vex";
        t.cardManufacturer = readCardManufacturer();
    });
}

std::string platformCheck::getStartupFilePath() {
    setDirectoryPath();
    return texts().startupDirectory;
}

std::string platformCheck::getDirectoryPath() {
    setDirectoryPath();
    return texts().payloadPath;
}

std::string platformCheck::getCardManufacturer() {
    setDirectoryPath();
    return texts().cardManufacturer;
}
