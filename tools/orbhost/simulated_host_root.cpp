// --simulate=HOST: a fresh copy of sim/hosts/HOST (with the stand-ins built from sim/ laid
// over it) becomes the root the service runs against, as in the tests and scripts/demo.
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "orbhost.h"
#include "sim/common/simulated_host_copy.h"

namespace fs = std::filesystem;

namespace orbhost {
namespace {

bool isPlainName(const std::string& name) {
    if (name.empty() || name[0] == '.') {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string simulatedHostsFolder() {
    return std::string(ORB_SOURCE_DIR) + "/sim/hosts";
}

std::string simulatedHostNames() {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(simulatedHostsFolder(), error)) {
        if (entry.is_directory()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + name;
    }
    return joined.empty() ? "none" : joined;
}

SimulatedRoot::~SimulatedRoot() {
    if (!path.empty() && !keep) {
        std::error_code error;
        fs::remove_all(path, error);
    }
}

bool SimulatedRoot::layOut(const std::string& host, bool keepAfterwards) {
    const std::string tree = simulatedHostsFolder() + "/" + host;
    if (!isPlainName(host) || !fs::is_directory(tree)) {
        std::fprintf(stderr, "orbhost: no simulated host '%s' (known: %s)\n", host.c_str(),
                     simulatedHostNames().c_str());
        return false;
    }
    std::string pattern = fs::temp_directory_path().string() + "/orbhost-" + host + ".XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("orbhost: cannot make a folder for the simulated host");
        return false;
    }
    path = pattern;
    keep = keepAfterwards;
    std::string failure;
    if (!orbsim::copySimulatedHost(tree, std::string(ORB_BINARY_DIR) + "/sim/overlay", path,
                                   failure)) {
        std::fprintf(stderr, "orbhost: cannot lay out simulated host '%s': %s\n", host.c_str(),
                     failure.c_str());
        return false;
    }
    setenv("ORB_ROOT", path.c_str(), 1);
    const char* search = getenv("PATH");
    std::string withTools = path + "/bin:" + (search != nullptr ? search : "/usr/bin:/bin");
    setenv("PATH", withTools.c_str(), 1);
    std::fprintf(stderr, "orbhost: simulated host '%s' laid out at %s%s\n", host.c_str(),
                 path.c_str(), keep ? "" : " (removed at exit)");
    return true;
}

}  // namespace orbhost
