#include "sim/scenario/scenario.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>

#include "sim/drives/drive_description.h"
#include "sim/scenario/fc_actions.h"
#include "sim/scenario/nvme_actions.h"
#include "sim/scenario/megaraid_actions.h"

namespace orbsim {
namespace {

constexpr long long kLatestMs = 7LL * 24 * 3600 * 1000;  // a week of run time

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits off the next word; rest keeps what follows, without leading blanks.
std::string nextWord(std::string& rest) {
    size_t end = 0;
    while (end < rest.size() && !isBlank(rest[end])) {
        ++end;
    }
    std::string word = rest.substr(0, end);
    size_t next = end;
    while (next < rest.size() && isBlank(rest[next])) {
        ++next;
    }
    rest.erase(0, next);
    return word;
}

bool parseTime(const std::string& text, std::chrono::milliseconds& at) {
    long long whole = 0;
    long long fraction = 0;
    size_t i = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        whole = whole * 10 + (text[i] - '0');
        if (whole * 1000 > kLatestMs) {
            return false;
        }
    }
    if (i == 0) {
        return false;
    }
    if (i < text.size() && text[i] == '.') {
        size_t digits = 0;
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            if (++digits > 3) {
                return false;
            }
            fraction = fraction * 10 + (text[i] - '0');
        }
        if (digits == 0) {
            return false;
        }
        for (; digits < 3; ++digits) {
            fraction *= 10;
        }
    }
    if (i != text.size() || whole * 1000 + fraction > kLatestMs) {
        return false;
    }
    at = std::chrono::milliseconds(whole * 1000 + fraction);
    return true;
}

bool parseNumber(const std::string& text, unsigned low, unsigned high, unsigned& value) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    unsigned number = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number < low || number > high) {
        return false;
    }
    value = number;
    return true;
}

// A device or SCSI host name: letters, digits, '-' and '_', as in sg3 or host8.
bool isPlainName(const std::string& name) {
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    });
}

// A network port name as the nic listing prints it: vmnic0, vusb0, ...
bool isPortName(const std::string& name) {
    return !name.empty() && name.size() <= 64 && name[0] != '-' &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ||
                      c == '.';
           });
}

// An absolute path with no "..", "." or empty component, taken inside the host's root.
bool isHostPath(const std::string& path) {
    if (path.size() < 2 || path[0] != '/' || path.back() == '/') {
        return false;
    }
    size_t begin = 1;
    while (begin <= path.size()) {
        size_t end = path.find('/', begin);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string part = path.substr(begin, end - begin);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        begin = end + 1;
    }
    return true;
}

// The drive stand-in must still read the description once the key is set, so the value is
// checked against its parser now, not when the run is under way.
bool isDriveSetting(const std::string& key, const std::string& value, std::string& why) {
    static const std::set<std::string> keys = {"kind",
                                               "condition",
                                               "vendor",
                                               "model",
                                               "serial",
                                               "firmware",
                                               "capacity",
                                               "logical-block",
                                               "rotation-rate",
                                               "temperature",
                                               "max-temperature",
                                               "wear",
                                               "power-on-hours",
                                               "exception",
                                               "error-count",
                                               "grown-defects",
                                               "wwn",
                                               "sas-address",
                                               "link-rate",
                                               "vex-log",
                                               "sense-format",
                                               "protocol-page",
                                               "fault"};
    if (keys.count(key) == 0) {
        why = "unknown drive key '" + key + "'";
        return false;
    }
    if (value.find('#') != std::string::npos) {
        why = "a drive value holds no '#'";
        return false;
    }
    std::string text = "model = M\nserial = S\nfirmware = F\ncapacity = 1\n" + key + " = " + value;
    DriveDescription drive;
    std::string error;
    if (!parseDriveDescription(text, drive, error)) {
        why = "bad value '" + value + "' for drive key " + key;
        return false;
    }
    return true;
}

bool parseRmc(std::string rest, ScenarioAction& action, std::string& why) {
    static const std::map<std::string, ExchangeFault> faults = {
        {"send-fails", ExchangeFault::SendFails},
        {"no-reply", ExchangeFault::NoReply},
        {"short-reply", ExchangeFault::ShortReply},
        {"completion-code", ExchangeFault::CompletionCode}};
    std::string what = nextWord(rest);
    if (what == "doorbell") {
        action.verb = ScenarioVerb::RmcDoorbell;
        action.text = rest;
        if (rest.empty() || rest.size() > 254) {
            why = "rmc doorbell needs a text of 1 to 254 bytes";
            return false;
        }
        return true;
    }
    std::vector<std::string> words;
    while (!rest.empty()) {
        words.push_back(nextWord(rest));
    }
    if (what == "restart" && words.size() == 1) {
        action.verb = ScenarioVerb::RmcRestart;
        if (!parseNumber(words[0], 1, 3600, action.status)) {
            why = "rmc restart needs the seconds the RMC stays silent (1-3600)";
            return false;
        }
        return true;
    }
    if (what == "clear" && words.empty()) {
        action.verb = ScenarioVerb::RmcClear;
        return true;
    }
    if (what == "transfer-status" && words.size() == 2) {
        action.verb = ScenarioVerb::RmcTransferStatus;
        if (!parseNumber(words[0], 1, 65535, action.packet) ||
            !parseNumber(words[1], 0, 255, action.status)) {
            why = "rmc transfer-status needs a packet number (from 1) and a status (0-255)";
            return false;
        }
        return true;
    }
    if (what == "fail-packet" && (words.size() == 1 || words.size() == 2)) {
        action.verb = ScenarioVerb::RmcFailPacket;
        if (!parseNumber(words[0], 1, 65535, action.packet)) {
            why = "rmc fail-packet needs a packet number (from 1)";
            return false;
        }
        if (words.size() == 2) {
            auto found = faults.find(words[1]);
            if (found == faults.end()) {
                why = "unknown fault '" + words[1] +
                      "' (send-fails, no-reply, short-reply, completion-code)";
                return false;
            }
            action.fault = found->second;
        }
        return true;
    }
    why =
        "expected rmc transfer-status PACKET STATUS, rmc fail-packet PACKET [FAULT], rmc "
        "restart SECONDS, rmc clear or rmc doorbell TEXT";
    return false;
}

bool parseLine(const std::string& line, ScenarioAction& action, std::string& why) {
    std::string rest = line;
    if (!parseTime(nextWord(rest), action.at)) {
        why = "expected SECONDS (up to three decimals, at most a week) first";
        return false;
    }
    std::string verb = nextWord(rest);
    if (verb == "write" || verb == "remove" || verb == "restore") {
        action.target = nextWord(rest);
        if (!isHostPath(action.target)) {
            why = verb + " needs an absolute path without '.' or '..' parts";
            return false;
        }
        action.verb = verb == "write"    ? ScenarioVerb::Write
                      : verb == "remove" ? ScenarioVerb::Remove
                                         : ScenarioVerb::Restore;
        action.text = rest;
        if (verb != "write" && !rest.empty()) {
            why = verb + " takes only a path";
            return false;
        }
        return true;
    }
    if (verb == "drive" || verb == "port") {
        action.target = nextWord(rest);
        if (!isPlainName(action.target)) {
            why = verb + " needs a name such as " + (verb == "drive" ? "sg3" : "host8");
            return false;
        }
        std::string key = nextWord(rest);
        if (verb == "port") {
            action.verb = ScenarioVerb::PortState;
            action.text = rest;
            if (key != "state" || rest.empty()) {
                why = "expected port HOSTNAME state TEXT";
                return false;
            }
            return true;
        }
        if ((key == "remove" || key == "insert") && rest.empty()) {
            action.verb = key == "remove" ? ScenarioVerb::DriveRemove : ScenarioVerb::DriveInsert;
            return true;
        }
        action.verb = ScenarioVerb::DriveSet;
        action.key = key;
        action.text = rest;
        if (key.empty() || rest.empty()) {
            why = "expected drive NAME KEY VALUE, drive NAME remove or drive NAME insert";
            return false;
        }
        return isDriveSetting(key, rest, why);
    }
    if (verb == "rmc") {
        return parseRmc(rest, action, why);
    }
    if (verb == "fc") {
        return parseFcAction(rest, action, why);
    }
    if (verb == "nvme") {
        return parseNvmeAction(rest, action, why);
    }
    if (verb == "megaraid") {
        return parseMegaraidAction(rest, action, why);
    }
    if (verb == "nic") {
        action.target = nextWord(rest);
        std::string what = nextWord(rest);
        action.text = nextWord(rest);
        const bool named = isPortName(action.target);
        if (named && rest.empty() && what == "remove" && action.text.empty()) {
            action.verb = ScenarioVerb::NicRemove;
            return true;
        }
        if (named && rest.empty() && (what == "link" || what == "admin") &&
            (action.text == "Up" || action.text == "Down")) {
            action.verb = what == "link" ? ScenarioVerb::NicLink : ScenarioVerb::NicAdmin;
            return true;
        }
        why = "expected nic NAME link Up|Down, nic NAME admin Up|Down or nic NAME remove";
        return false;
    }
    why = verb.empty()
              ? "expected an action after the time"
              : "unknown action '" + verb + "' (write, remove, restore, drive, port, rmc, fc, nic, nvme, megaraid)";
    return false;
}

}  // namespace

bool isRmcAction(ScenarioVerb verb) {
    return verb == ScenarioVerb::RmcTransferStatus || verb == ScenarioVerb::RmcFailPacket ||
           verb == ScenarioVerb::RmcClear || verb == ScenarioVerb::RmcRestart ||
           verb == ScenarioVerb::RmcDoorbell;
}

bool parseScenario(const std::string& text, std::vector<ScenarioAction>& actions,
                   std::string& error) {
    actions.clear();
    if (text.size() > kScenarioFileLimit) {
        error = "longer than " + std::to_string(kScenarioFileLimit) + " bytes";
        return false;
    }
    unsigned number = 0;
    size_t begin = 0;
    while (begin < text.size()) {
        ++number;
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            actions.clear();
            return false;
        };
        if (line.size() > kScenarioLineLimit) {
            return fail("longer than " + std::to_string(kScenarioLineLimit) + " bytes");
        }
        if (std::any_of(line.begin(), line.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; })) {
            return fail("holds a control character");
        }
        while (!line.empty() && isBlank(line.back())) {
            line.pop_back();
        }
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        ScenarioAction action;
        action.line = number;
        action.source = line.substr(first);
        std::string why;
        if (!parseLine(action.source, action, why)) {
            return fail(why);
        }
        actions.push_back(action);
    }
    std::stable_sort(actions.begin(), actions.end(),
                     [](const ScenarioAction& a, const ScenarioAction& b) { return a.at < b.at; });
    return true;
}

bool readScenario(const std::string& path, std::vector<ScenarioAction>& actions,
                  std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string text(kScenarioFileLimit + 1, '\0');
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    if (!parseScenario(text, actions, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace orbsim
