#include "fc/hba_conf.h"

namespace {

constexpr size_t kMaxNameLength = 63;
constexpr size_t kMaxPathLength = 255;

bool isPathCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == '/';
}

bool parseLine(std::string_view line, orbHbaConfEntry& entry) {
    if (line.empty() || line.front() == '#') {
        return false;
    }
    size_t separator = line.find('\t');
    if (separator == std::string_view::npos) {
        separator = line.find(' ');
    }
    if (separator == std::string_view::npos) {
        return false;
    }
    std::string_view name = line.substr(0, separator).substr(0, kMaxNameLength);
    std::string_view rest = line.substr(separator);
    size_t pathStart = rest.find_first_not_of(" \t");
    if (pathStart == std::string_view::npos) {
        return false;
    }
    std::string_view path = rest.substr(pathStart).substr(0, kMaxPathLength);
    size_t end = 0;
    while (end < path.size() && isPathCharacter(path[end])) {
        ++end;
    }
    path = path.substr(0, end);
    if (name.empty() || path.empty()) {
        return false;
    }
    entry.name.assign(name);
    entry.path.assign(path);
    return true;
}

}  // namespace

std::vector<orbHbaConfEntry> orbParseHbaConf(std::string_view text, size_t maxEntries) {
    std::vector<orbHbaConfEntry> entries;
    while (!text.empty() && entries.size() < maxEntries) {
        size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        orbHbaConfEntry entry;
        if (parseLine(line, entry)) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}
