#include "core/platform_path.h"

#include <stdlib.h>

orbRootSetting orbRootSettingInForce() {
    orbRootSetting setting;
    const char* root = secure_getenv("ORB_ROOT");
    if (root == nullptr || *root == '\0') {
        return setting;
    }
    setting.value = root;
    setting.state = root[0] == '/' ? orbRootSetting::InUse : orbRootSetting::Ignored;
    return setting;
}

std::string orbRootPrefix() {
    orbRootSetting setting = orbRootSettingInForce();
    if (setting.state != orbRootSetting::InUse) {
        return std::string();
    }
    std::string prefix(setting.value);
    while (!prefix.empty() && prefix.back() == '/') {
        prefix.pop_back();
    }
    return prefix;
}

std::string orbRootPath(const std::string& fixedPath) {
    if (fixedPath.empty() || fixedPath.front() != '/') {
        return fixedPath;
    }
    return orbRootPrefix() + fixedPath;
}
