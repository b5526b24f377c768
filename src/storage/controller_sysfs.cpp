#include "storage/controller_sysfs.h"

#include <unistd.h>

#include <cerrno>
#include <climits>

#include "core/owned_resources.h"
#include "core/platform_path.h"
#include "host/sysfs_attribute.h"
#include "storage/storage_utils.h"

bool orbReadLinkTarget(const std::string& path, std::string& target, int& error) {
    char buffer[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), buffer, sizeof(buffer));
    if (length < 0) {
        error = errno;
        return false;
    }
    // readlink does not terminate, and a target that fills the buffer may be longer still.
    if (static_cast<size_t>(length) >= sizeof(buffer)) {
        error = ENAMETOOLONG;
        return false;
    }
    target.assign(buffer, static_cast<size_t>(length));
    error = 0;
    return true;
}

std::string orbTakeTrimmedText(char* raw) {
    orbMallocText text(raw);
    if (!text) {
        return std::string();
    }
    trim_surrounding_whitespace(text.get());
    return text.get();
}

std::string orbReadSysfsText(const std::string& fixedPath) {
    return orbTakeTrimmedText(get_sysfs_str(orbRootPath(fixedPath).c_str()));
}

int orbNumberedPathComponent(std::string_view path, std::string_view prefix) {
    int number = -1;
    while (!path.empty()) {
        const size_t slash = path.find('/');
        const std::string_view component = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        // One to nine digits: below INT_MAX whatever the digits are.
        if (component.size() <= prefix.size() || component.size() > prefix.size() + 9 ||
            component.substr(0, prefix.size()) != prefix) {
            continue;
        }
        int value = 0;
        bool digits = true;
        for (char c : component.substr(prefix.size())) {
            digits = digits && c >= '0' && c <= '9';
            value = digits ? value * 10 + (c - '0') : value;
        }
        if (digits) {
            number = value;
        }
    }
    return number;
}

int getATADeviceNumberFromPath(std::string_view path) {
    return orbNumberedPathComponent(path, "ata");
}
