#include "sim/scenario/fc_actions.h"

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

const char* const kStates[] = {"Online",   "Offline", "Bypassed", "DiagnosticMode",
                               "Linkdown", "Error",   "Loopback", "Unknown"};

std::vector<std::string> wordsOf(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

bool isWwn(const std::string& text) {
    if (text.size() != 23) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        bool colon = i % 3 == 2;
        if (colon ? text[i] != ':' : !std::isxdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

bool isAdapterName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
    });
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The description with the action applied; false when it names nothing in it.
bool rewrite(const std::string& text, const ScenarioAction& action, std::string& out) {
    std::istringstream lines(text);
    bool found = false;
    bool dropping = false;
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> words = wordsOf(line);
        std::string key = words.empty() ? "" : words[0];
        if (action.verb == ScenarioVerb::FcAdapterRemove) {
            if (key == "adapter") {
                dropping = words.size() == 2 && words[1] == action.target;
                found = found || dropping;
            }
            if (!dropping) {
                out += line + "\n";
            }
            continue;
        }
        if (key == "port" && words.size() >= 2 && lower(words[1]) == lower(action.target)) {
            line = "port " + words[1] + " " + action.text;
            found = true;
        }
        out += line + "\n";
    }
    return found;
}

}  // namespace

bool parseFcAction(std::string rest, ScenarioAction& action, std::string& why) {
    std::vector<std::string> words = wordsOf(rest);
    if (words.size() == 3 && words[1] == "state") {
        action.verb = ScenarioVerb::FcPortState;
        action.target = words[0];
        action.text = words[2];
        if (!isWwn(words[0])) {
            why = "fc needs a port WWN of eight hex bytes joined by ':'";
            return false;
        }
        if (std::find(std::begin(kStates), std::end(kStates), words[2]) == std::end(kStates)) {
            why = "unknown port state '" + words[2] +
                  "' (Online, Offline, Bypassed, DiagnosticMode, Linkdown, Error, Loopback, "
                  "Unknown)";
            return false;
        }
        return true;
    }
    if (words.size() == 2 && words[1] == "remove") {
        action.verb = ScenarioVerb::FcAdapterRemove;
        action.target = words[0];
        if (!isAdapterName(words[0])) {
            why = "fc needs an adapter name of letters, digits, '.', '-' and '_'";
            return false;
        }
        return true;
    }
    why = "expected fc WWPN state NAME or fc ADAPTER remove";
    return false;
}

bool applyFcAction(const std::string& root, const ScenarioAction& action, std::string& error) {
    const fs::path folder = fs::path(root) / "var/lib/sim-hba";
    std::error_code failure;
    for (const auto& entry : fs::directory_iterator(folder, failure)) {
        if (entry.path().extension() != ".adapters" || !entry.is_regular_file()) {
            continue;
        }
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        std::string changed;
        if (!rewrite(text.str(), action, changed)) {
            continue;
        }
        const std::string scratch = entry.path().string() + ".scenario";
        std::ofstream out(scratch, std::ios::trunc);
        out << changed;
        out.close();
        if (!out || std::rename(scratch.c_str(), entry.path().c_str()) != 0) {
            error = "cannot rewrite " + entry.path().string();
            return false;
        }
        return true;
    }
    error = "no HBA library of the host describes " + action.target;
    return false;
}

}  // namespace orbsim
