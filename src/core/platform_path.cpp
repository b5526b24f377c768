#include "core/platform_path.h"

#include <cstdlib>

std::string orbRootPrefix() {
    const char* root = std::getenv("ORB_ROOT");
    if (root == nullptr) {
        return std::string();
    }
    std::string prefix(root);
    while (!prefix.empty() && prefix.back() == '/') {
        prefix.pop_back();
    }
    return prefix;
}

std::string orbRootPath(const std::string& designedPath) {
    if (designedPath.empty() || designedPath.front() != '/') {
        return designedPath;
    }
    return orbRootPrefix() + designedPath;
}
