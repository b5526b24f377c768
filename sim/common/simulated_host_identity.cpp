#include "sim/common/simulated_host_identity.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/host_identity.h"
#include "core/platform_path.h"

namespace orbsim {
namespace {

// Each line as its first word and the rest; false when the file cannot be read.
bool readIdentity(std::vector<std::pair<std::string, std::string>>& lines) {
    std::ifstream in(orbRootPath("/identity"));
    if (!in) {
        return false;
    }
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream words(text);
        std::string kind;
        std::string rest;
        if (!(words >> kind) || kind[0] == '#') {
            continue;
        }
        std::getline(words >> std::ws, rest);
        lines.emplace_back(kind, rest);
    }
    return true;
}

bool simulatedUname(orbUnameFields& fields) {
    std::vector<std::pair<std::string, std::string>> lines;
    if (!readIdentity(lines)) {
        return false;
    }
    std::map<std::string, std::string> values;
    for (const auto& [kind, rest] : lines) {
        if (kind != "uname") {
            continue;
        }
        std::istringstream words(rest);
        std::string field;
        std::string value;
        words >> field;
        std::getline(words >> std::ws, value);
        values[field] = value;
    }
    const char* const names[] = {"sysname", "nodename", "release", "version", "machine"};
    for (const char* name : names) {
        if (values.count(name) == 0) {
            return false;
        }
    }
    fields = orbUnameFields{values["sysname"], values["nodename"], values["release"],
                            values["version"], values["machine"]};
    return true;
}

bool simulatedIPv4Addresses(std::vector<orbInterfaceAddress>& addresses) {
    std::vector<std::pair<std::string, std::string>> lines;
    if (!readIdentity(lines)) {
        return false;
    }
    for (const auto& [kind, rest] : lines) {
        std::istringstream words(rest);
        orbInterfaceAddress entry;
        if (kind == "ipv4" && words >> entry.interfaceName >> entry.address) {
            addresses.push_back(entry);
        }
    }
    return true;
}

}  // namespace

void installSimulatedHostIdentity() {
    orbSetUnameHandler(simulatedUname);
    orbSetIPv4AddressHandler(simulatedIPv4Addresses);
}

void removeSimulatedHostIdentity() {
    orbSetUnameHandler(nullptr);
    orbSetIPv4AddressHandler(nullptr);
}

}  // namespace orbsim
