#include "storage/controller_sysfs.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>

#include "core/owned_resources.h"
#include "core/platform_path.h"
#include "host/sysfs_attribute.h"
#include "storage/storage_utils.h"

bool orbReadSysfsLink(const std::string& fixedPath, std::string& target, int& error) {
    char buffer[PATH_MAX];
    ssize_t length = readlink(orbRootPath(fixedPath).c_str(), buffer, sizeof(buffer) - 1);
    if (length < 0) {
        error = errno;
        return false;
    }
    target.assign(buffer, static_cast<size_t>(length));
    error = 0;
    return true;
}

std::string orbReadSysfsText(const std::string& fixedPath) {
    orbMallocText text(get_sysfs_str(orbRootPath(fixedPath).c_str()));
    if (!text) {
        return std::string();
    }
    trim_surrounding_whitespace(text.get());
    return text.get();
}

int orbNumberAfter(const std::string& text, const char* marker) {
    size_t at = text.find(marker);
    if (at == std::string::npos) {
        return -1;
    }
    size_t digits = at + std::strlen(marker);
    long value = 0;
    size_t end = digits;
    // At most nine digits, so the value always fits an int.
    while (end < text.size() && end - digits < 9 &&
           std::isdigit(static_cast<unsigned char>(text[end])) != 0) {
        value = value * 10 + (text[end] - '0');
        ++end;
    }
    return end == digits ? -1 : static_cast<int>(value);
}
