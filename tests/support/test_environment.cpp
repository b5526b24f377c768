#include "support/test_environment.h"

#include "sim/common/simulated_host_copy.h"
#include "sim/common/simulated_host_identity.h"
#include "sim/scenario/scenario_player.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <json/json.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace orbtest {

const char* const kDefaultConfiguration = R"({
    "EnableResources": ["All"],
    "LoggingLevel": "Info",
    "EnableDebugLog": true,
    "ORBLogLocation": "/var/log/vex/orb/orb.log",
    "DebugLogLocation": "/var/log/vex/orb/orb-debug.log",
    "InventoryQueryIntervalInSeconds": 1,
    "IPMIDoorBellMonitorInterval": 1,
    "PushInventoryFrequencyInMinutes": 1440,
    "CacheRefreshInSeconds": {"Global": 60}
})";

namespace {

struct Settings {
    std::string host = "default";
    std::string configurationChanges = "{}";
    std::string root;
};

Json::Value parseOrDie(const std::string& text) {
    Json::Value value = parseJson(text);
    if (!value.isObject()) {
        std::fprintf(stderr, "test configuration is not a JSON object: %s\n", text.c_str());
        std::exit(2);
    }
    return value;
}

// The default configuration with the test's own members laid over it.
std::string testConfiguration(const Settings& s) {
    Json::Value configuration = parseOrDie(kDefaultConfiguration);
    const Json::Value changes = parseOrDie(s.configurationChanges);
    for (const std::string& key : changes.getMemberNames()) {
        configuration[key] = changes[key];
    }
    return configuration.toStyledString();
}

Settings& settings() {
    static Settings instance;
    return instance;
}

void prepareRoot() {
    Settings& s = settings();
    char pattern[] = "/tmp/orbtest.XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    s.root = made;
    const std::string hostTree = std::string(ORB_SOURCE_DIR) + "/sim/hosts/" + s.host;
    const std::string overlay = std::string(ORB_BINARY_DIR) + "/sim/overlay";
    std::string failure;
    if (!orbsim::copySimulatedHost(hostTree, overlay, s.root, failure)) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        std::exit(2);
    }
    std::error_code error;
    writeFile(s.root + "/etc/config/vex/orb/orb.conf", testConfiguration(s));
    fs::create_directories(s.root + "/opt/vex/orb/log", error);
    fs::create_directories(s.root + "/opt/vex/orb/data", error);
    setenv("ORB_ROOT", s.root.c_str(), 1);
    const char* path = getenv("PATH");
    std::string searchPath = s.root + "/bin:" + (path != nullptr ? path : "/usr/bin:/bin");
    setenv("PATH", searchPath.c_str(), 1);
    orbsim::installSimulatedHostIdentity();
}

void removeRoot() {
    const char* keep = getenv("ORB_TEST_KEEP_ROOT");
    if (keep != nullptr && *keep != '\0') {
        std::fprintf(stderr, "simulated host kept at %s\n", settings().root.c_str());
        return;
    }
    std::error_code error;
    fs::remove_all(settings().root, error);
}

}  // namespace

TestHost::TestHost(const char* name) {
    settings().host = name;
}
TestConfiguration::TestConfiguration(const char* json) {
    settings().configurationChanges = json;
}

std::string root() {
    return settings().root;
}
std::string rootPath(const std::string& fixedPath) {
    return settings().root + fixedPath;
}
std::string sourcePath(const std::string& relative) {
    return std::string(ORB_SOURCE_DIR) + "/" + relative;
}
std::string binaryPath(const std::string& relative) {
    return std::string(ORB_BINARY_DIR) + "/" + relative;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool writeFile(const std::string& path, const std::string& contents) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return static_cast<bool>(out);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::chrono::steady_clock::duration timeOf(const std::function<void()>& call) {
    const auto begun = std::chrono::steady_clock::now();
    call();
    return std::chrono::steady_clock::now() - begun;
}

Json::Value parseJson(const std::string& text) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors)) {
        return Json::Value();
    }
    return value;
}

size_t occurrences(const std::string& text, const std::string& word) {
    size_t found = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++found;
    }
    return found;
}

bool processGone(int pid) {
    if (kill(pid, 0) != 0 && errno == ESRCH) {
        return true;
    }
    std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    size_t end = stat.rfind(')');
    return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'Z';
}

std::string mainLog() {
    return readFile(rootPath("/var/log/vex/orb/orb.log"));
}
std::string debugLog() {
    return readFile(rootPath("/var/log/vex/orb/orb-debug.log"));
}

LogMark::LogMark() : mainLength(mainLog().size()), debugLength(debugLog().size()) {}

std::string LogMark::mainSince() const {
    std::string text = mainLog();
    return mainLength <= text.size() ? text.substr(mainLength) : text;
}

std::string LogMark::debugSince() const {
    std::string text = debugLog();
    return debugLength <= text.size() ? text.substr(debugLength) : text;
}

void applyScenario(orbsim::ScenarioPlayer& player, const std::string& lines,
                   std::vector<orbsim::ScenarioAction>* applied) {
    std::vector<orbsim::ScenarioAction> actions;
    std::string error;
    ASSERT_TRUE(orbsim::parseScenario(lines, actions, error)) << error;
    for (const orbsim::ScenarioAction& action : actions) {
        ASSERT_TRUE(player.apply(action, error)) << error;
    }
    if (applied != nullptr) {
        *applied = actions;
    }
}

OrbcliOutcome orbcli(const std::string& arguments, const std::string& input) {
    const std::string inputFile = rootPath("/scratch/orbcli-input");
    writeFile(inputFile, input);
    const std::string line =
        binaryPath("tools/orbcli/orbcli") + " " + arguments + " < " + inputFile + " 2>&1";
    OrbcliOutcome outcome{-1, ""};
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    std::array<char, 512> chunk{};
    size_t got = 0;
    while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
        outcome.output.append(chunk.data(), got);
    }
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

}  // namespace orbtest

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    orbtest::prepareRoot();
    int result = RUN_ALL_TESTS();
    orbtest::removeRoot();
    return result;
}
