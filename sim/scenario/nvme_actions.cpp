#include "sim/scenario/nvme_actions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace orbsim {

namespace {

bool isAdapterName(const std::string& name) {
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-';
    }) && std::isalnum(static_cast<unsigned char>(name[0]));
}

// Label words and a value: "Read Only Mode" true, or Read Only Mode true.
bool splitLabelAndValue(const std::string& text, std::string& label, std::string& value) {
    std::string rest = text;
    rest.erase(0, rest.find_first_not_of(" \t"));
    if (!rest.empty() && rest[0] == '"') {
        const size_t close = rest.find('"', 1);
        if (close == std::string::npos) {
            return false;
        }
        label = rest.substr(1, close - 1);
        rest = rest.substr(close + 1);
    } else {
        const size_t last = rest.find_last_of(" \t");
        if (last == std::string::npos) {
            return false;
        }
        label = rest.substr(0, last);
        rest = rest.substr(last);
    }
    std::istringstream words(rest);
    std::string extra;
    if (!(words >> value) || (words >> extra)) {
        return false;
    }
    while (!label.empty() && (label.back() == ' ' || label.back() == ':')) {
        label.pop_back();
    }
    return !label.empty() && label.find_first_of(":\n") == std::string::npos;
}

bool setSmartLine(const fs::path& file, const ScenarioAction& action, std::string& error) {
    std::ifstream in(file);
    if (!in) {
        error = "no SMART log of " + action.target + " (removed, or not an NVMe adapter)";
        return false;
    }
    std::string changed;
    bool found = false;
    for (std::string line; std::getline(in, line);) {
        const size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos &&
            line.compare(start, action.key.size() + 1, action.key + ":") == 0) {
            line = line.substr(0, start) + action.key + ": " + action.text;
            found = true;
        }
        changed += line + "\n";
    }
    if (!found) {
        error = "the SMART log of " + action.target + " has no line \"" + action.key + "\"";
        return false;
    }
    const std::string scratch = file.string() + ".scenario";
    std::ofstream out(scratch, std::ios::trunc);
    out << changed;
    out.close();
    if (!out || std::rename(scratch.c_str(), file.c_str()) != 0) {
        error = "cannot rewrite " + file.string();
        return false;
    }
    return true;
}

}  // namespace

bool parseNvmeAction(std::string rest, ScenarioAction& action, std::string& why) {
    std::istringstream words(rest);
    std::string what;
    words >> action.target >> what;
    std::string tail;
    std::getline(words, tail);
    if (!isAdapterName(action.target)) {
        why = "nvme needs an adapter name such as vmhba4";
        return false;
    }
    if ((what == "remove" || what == "insert") &&
        tail.find_first_not_of(" \t") == std::string::npos) {
        action.verb = what == "remove" ? ScenarioVerb::NvmeRemove : ScenarioVerb::NvmeInsert;
        return true;
    }
    if (what == "smart" && splitLabelAndValue(tail, action.key, action.text)) {
        action.verb = ScenarioVerb::NvmeSmart;
        return true;
    }
    why = "expected nvme ADAPTER smart LABEL VALUE, nvme ADAPTER remove or nvme ADAPTER insert";
    return false;
}

bool applyNvmeAction(const std::string& root, const ScenarioAction& action, std::string& error) {
    const fs::path data = fs::path(root) / "var/lib/sim-nvme";
    const fs::path present = data / action.target;
    const fs::path removed = data / ".removed" / action.target;
    std::error_code failure;
    switch (action.verb) {
        case ScenarioVerb::NvmeSmart:
            return setSmartLine(present / "smart", action, error);
        case ScenarioVerb::NvmeRemove:
            if (!fs::is_directory(present)) {
                error = action.target + " is not a present NVMe adapter";
                return false;
            }
            fs::create_directories(removed.parent_path(), failure);
            fs::rename(present, removed, failure);
            break;
        case ScenarioVerb::NvmeInsert:
            if (!fs::is_directory(removed)) {
                error = action.target + " was not removed";
                return false;
            }
            fs::rename(removed, present, failure);
            break;
        default:
            error = "not an NVMe action";
            return false;
    }
    if (failure) {
        error = "cannot move " + action.target + ": " + failure.message();
        return false;
    }
    return true;
}

}  // namespace orbsim
