#include "host/sysfs_directory.h"

#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};

}  // namespace

std::vector<std::string> orbListSysfsDirectory(const std::string& path) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirectoryCloser> directory(opendir(path.c_str()));
    if (!directory) {
        return names;
    }
    while (dirent* entry = readdir(directory.get())) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.emplace_back(entry->d_name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool orbIsSysfsEntryName(const char* text) {
    if (text == nullptr || text[0] == '\0' || std::strchr(text, '/') != nullptr) {
        return false;
    }
    return std::strcmp(text, ".") != 0 && std::strcmp(text, "..") != 0;
}
