#include "sim/scenario/megaraid_actions.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace orbsim {

namespace {

const char* const kDescription = "/var/lib/sim-storelib/controllers";
const char* const kEvents = "/var/lib/sim-storelib/events";

std::vector<std::string> wordsOf(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

bool isNumber(const std::string& text, long limit) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    return *end == '\0' && value >= 0 && value <= limit;
}

bool isPlace(const std::string& text) {
    const size_t colon = text.find(':');
    return colon != std::string::npos && isNumber(text.substr(0, colon), 65535) &&
           isNumber(text.substr(colon + 1), 255);
}

bool readText(const std::string& path, std::string& text, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    text = contents.str();
    return true;
}

bool replaceFile(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << text;
        if (!file) {
            error = "cannot write " + temporary;
            return false;
        }
    }
    std::error_code code;
    fs::rename(temporary, path, code);
    if (code) {
        error = "cannot replace " + path + ": " + code.message();
        return false;
    }
    return true;
}

bool appendEvents(const std::string& root, const std::vector<std::string>& lines,
                  std::string& error) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    // One write, so the library's thread never reads half a line.
    std::ofstream file(root + kEvents, std::ios::app);
    file << text;
    file.flush();
    if (!file) {
        error = std::string("cannot append to ") + kEvents;
        return false;
    }
    return true;
}

// Sets KEY=VALUE in the description's line of one drive or volume; gives the line's words
// before the change.
bool setInDescription(const std::string& root, const std::string& kind, const std::string& ctrl,
                      const std::string& which, const std::string& key, const std::string& value,
                      std::vector<std::string>& before, std::string& error) {
    std::string text;
    if (!readText(root + kDescription, text, error)) {
        return false;
    }
    std::istringstream lines(text);
    std::string out;
    bool found = false;
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> words = wordsOf(line);
        const size_t placeIndex = kind == "pd" ? 3 : 2;
        if (!found && words.size() > placeIndex && words[0] == kind && words[1] == ctrl &&
            words[placeIndex] == which) {
            before = words;
            found = true;
            line.clear();
            bool set = false;
            for (std::string& word : words) {
                if (word.rfind(key + "=", 0) == 0) {
                    word = key + "=" + value;
                    set = true;
                }
                line += (line.empty() ? "" : " ") + word;
            }
            if (!set) {
                line += " " + key + "=" + value;
            }
        }
        out += line + "\n";
    }
    if (!found) {
        error = "no " + kind + " " + which + " on controller " + ctrl;
        return false;
    }
    return replaceFile(root + kDescription, out, error);
}

std::string valueOf(const std::vector<std::string>& words, const std::string& key) {
    for (const std::string& word : words) {
        if (word.rfind(key + "=", 0) == 0) {
            return word.substr(key.size() + 1);
        }
    }
    return std::string();
}

std::string hex(unsigned value, int width) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%0*X", width, value);
    return text;
}

bool applyDriveState(const std::string& root, const std::string& ctrl, const std::string& place,
                     const std::string& state, std::string& error) {
    std::vector<std::string> before;
    const unsigned newState = static_cast<unsigned>(std::strtoul(state.c_str(), nullptr, 0));
    if (!setInDescription(root, "pd", ctrl, place, "state", hex(newState, 2), before, error)) {
        return false;
    }
    const unsigned oldState =
        static_cast<unsigned>(std::strtoul(valueOf(before, "state").c_str(), nullptr, 0));
    const std::string enclosure = place.substr(0, place.find(':'));
    const std::string slot = place.substr(place.find(':') + 1);
    return appendEvents(
        root,
        {"ctrl=" + ctrl + " code=0x0072 class=0 locale=0x0002 args=pd-state device=" + before[2] +
         " enclosure=" + enclosure + " slot=" + slot + " prev=" + hex(oldState, 2) +
         " new=" + hex(newState, 2) + " text=State change on PD " + before[2] + "(e" + enclosure +
         "/s" + slot + ") from " + hex(oldState, 2) + " to " + hex(newState, 2)},
        error);
}

bool applyVolumeState(const std::string& root, const std::string& ctrl, const std::string& target,
                      const std::string& state, std::string& error) {
    std::vector<std::string> before;
    if (!setInDescription(root, "ld", ctrl, target, "state", state, before, error)) {
        return false;
    }
    // The firmware's event of each state, with its class.
    static const std::map<std::string, std::pair<const char*, const char*>> kEventsOfState = {
        {"3", {"0x00F9", "0"}},  // optimal
        {"2", {"0x00FB", "2"}},  // degraded
        {"1", {"0x00FA", "1"}},  // partially degraded
        {"0", {"0x00FC", "2"}},  // offline
    };
    auto event = kEventsOfState.find(std::to_string(std::strtoul(state.c_str(), nullptr, 0)));
    if (event == kEventsOfState.end()) {
        return true;
    }
    return appendEvents(
        root,
        {"ctrl=" + ctrl + " code=" + event->second.first + " class=" + event->second.second +
         " locale=0x0001 args=ld target=" + target + " text=State change on VD " + target +
         " from " + valueOf(before, "state") + " to " + state},
        error);
}

bool applyCheck(const std::string& root, const std::string& ctrl, const std::string& rest,
                std::string& error) {
    std::vector<std::string> words = wordsOf(rest);
    const std::string& target = words[0];
    const std::string& what = words[1];
    const std::string head = "ctrl=" + ctrl + " locale=0x0001 target=" + target + " ";
    std::vector<std::string> lines;
    if (what == "start") {
        lines.push_back(head + "code=0x0041 class=0 args=ld text=Consistency Check started on VD " +
                        target);
    } else if (what == "progress") {
        lines.push_back(head + "code=0x0042 class=-1 args=ld-progress progress=" + words[2] +
                        " text=Consistency Check progress on VD " + target + " is " + words[2] +
                        "%");
    } else if (what == "abort") {
        lines.push_back(head + "code=0x003D class=1 args=ld text=Consistency Check aborted on VD " +
                        target);
    } else {
        unsigned long corrected = 0, uncorrectable = 0, parity = 0;
        bool tooMany = false;
        if (words.size() > 2) {
            std::istringstream findings(words[2]);
            for (std::string finding; std::getline(findings, finding, ',');) {
                const size_t equals = finding.find('=');
                const std::string key = finding.substr(0, equals);
                const unsigned long value =
                    equals == std::string::npos
                        ? 0
                        : std::strtoul(finding.c_str() + equals + 1, nullptr, 10);
                if (key == "corrected") {
                    corrected = value;
                } else if (key == "uncorrectable") {
                    uncorrectable = value;
                } else if (key == "parity") {
                    parity = value;
                } else if (key == "too-many") {
                    tooMany = true;
                }
            }
        }
        for (unsigned long i = 0; i < corrected && i < 1000; ++i) {
            lines.push_back(head +
                            "code=0x003B class=0 args=ld text=Consistency Check corrected "
                            "medium error on VD " +
                            target);
        }
        for (unsigned long i = 0; i < uncorrectable && i < 1000; ++i) {
            lines.push_back(head +
                            "code=0x003C class=1 args=ld text=Consistency Check found "
                            "uncorrectable medium error on VD " +
                            target);
        }
        if (parity > 0) {
            lines.push_back(head +
                            "code=0x003F class=1 args=ld-count count=" + std::to_string(parity) +
                            " text=Consistency Check found inconsistent parity on VD " + target);
        }
        if (tooMany) {
            lines.push_back(head +
                            "code=0x0040 class=1 args=ld text=Inconsistent parity logging "
                            "disabled on VD " +
                            target);
        }
        const bool found = corrected + uncorrectable + parity > 0 || tooMany;
        lines.push_back(head +
                        (found ? "code=0x003A class=1 args=ld text=Consistency Check done "
                                 "with inconsistencies on VD "
                               : "code=0x0038 class=0 args=ld text=Consistency Check done "
                                 "on VD ") +
                        target);
    }
    return appendEvents(root, lines, error);
}

}  // namespace

bool parseMegaraidAction(std::string rest, ScenarioAction& action, std::string& why) {
    std::vector<std::string> words = wordsOf(rest);
    action.verb = ScenarioVerb::Megaraid;
    if (words.size() >= 2 && isNumber(words[0], 63)) {
        action.target = words[0];
        action.key = words[1];
        const size_t at = rest.find(words[1], rest.find(words[0]) + words[0].size());
        action.text = rest.substr(at + words[1].size());
        std::vector<std::string> args(words.begin() + 2, words.end());
        if (action.key == "pd" && args.size() == 3 && isPlace(args[0]) && args[1] == "state" &&
            isNumber(args[2], 255)) {
            return true;
        }
        if (action.key == "ld" && args.size() == 3 && isNumber(args[0], 255) &&
            args[1] == "state" && isNumber(args[2], 255)) {
            return true;
        }
        if (action.key == "event" && !args.empty() && isNumber(args[0], 0xFFFF)) {
            return true;
        }
        if (action.key == "cc" && args.size() >= 2 && isNumber(args[0], 255) &&
            ((args[1] == "start" && args.size() == 2) || (args[1] == "abort" && args.size() == 2) ||
             (args[1] == "progress" && args.size() == 3 && isNumber(args[2], 100)) ||
             (args[1] == "done" && args.size() <= 3))) {
            return true;
        }
    }
    why =
        "expected megaraid CONTROLLER pd ENC:SLOT state BYTE, megaraid CONTROLLER ld TARGET "
        "state VALUE, megaraid CONTROLLER event CODE [KEY=VALUE...] or megaraid CONTROLLER cc "
        "TARGET start|progress N|done|abort [FINDINGS]";
    return false;
}

bool applyMegaraidAction(const std::string& root, const ScenarioAction& action,
                         std::string& error) {
    std::vector<std::string> args = wordsOf(action.text);
    if (action.key == "pd") {
        return applyDriveState(root, action.target, args[0], args[2], error);
    }
    if (action.key == "ld") {
        return applyVolumeState(root, action.target, args[0], args[2], error);
    }
    if (action.key == "event") {
        std::string line = "ctrl=" + action.target + " code=" + args[0];
        const size_t at = action.text.find(args[0]) + args[0].size();
        std::string extra = action.text.substr(at);
        return appendEvents(root, {line + extra}, error);
    }
    return applyCheck(root, action.target, action.text, error);
}

}  // namespace orbsim
