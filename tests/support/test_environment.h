#pragma once

#include <json/json.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "sim/scenario/scenario.h"

namespace orbsim {
class ScenarioPlayer;
}

// Every test process runs against its own copy of a simulated host (sim/hosts/<name>), made
// fresh before the first test and removed at the end, with ORB_ROOT pointing at it and the
// host's bin/ first on PATH. A test file can choose the host and the configuration file the
// service reads, at namespace scope:
//
//   ORB_TEST_HOST("bravo");
//   ORB_TEST_CONFIGURATION(R"({"EnableResources": ["HostOSInfo"]})");
//
// The host is "default" unless named. The configuration is orbtest::kDefaultConfiguration
// (file logging with debug lines, level Info, one-second readiness polls) with the members
// given to ORB_TEST_CONFIGURATION laid over it.

namespace orbtest {

extern const char* const kDefaultConfiguration;

struct TestHost {
    explicit TestHost(const char* name);
};
struct TestConfiguration {
    explicit TestConfiguration(const char* json);
};

// The root folder of this process's simulated host.
std::string root();
// A fixed absolute path inside that root.
std::string rootPath(const std::string& fixedPath);
// The source tree and the build tree.
std::string sourcePath(const std::string& relative);
std::string binaryPath(const std::string& relative);

// What the command-line client printed and its exit status (-1 when it did not exit).
struct OrbcliOutcome {
    int status;
    std::string output;
};
// Runs the built orbcli with these arguments under this process's root, input on its
// standard input.
OrbcliOutcome orbcli(const std::string& arguments, const std::string& input = "");

// Whole contents of a file, empty when it cannot be read.
std::string readFile(const std::string& path);
// Writes a file, creating its folders.
bool writeFile(const std::string& path, const std::string& contents);

// The service's log files in the test configuration.
std::string mainLog();
std::string debugLog();

// Remembers how long a log is now, so a test can look only at what was written after.
class LogMark {
  public:
    LogMark();
    std::string mainSince() const;
    std::string debugSince() const;

  private:
    size_t mainLength;
    size_t debugLength;
};

// Waits up to limit for a condition to hold; false when it never did.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds limit = std::chrono::seconds(30));

// How long a call took (a stop, say, that must end within its budget).
std::chrono::steady_clock::duration timeOf(const std::function<void()>& call);

// Parses JSON text; null when it does not parse.
Json::Value parseJson(const std::string& text);

// How often a word occurs in a text (a log line written once per outage, say).
size_t occurrences(const std::string& text, const std::string& word);

// Gone, or a zombie waiting for a parent that never reaps (a container's first process).
bool processGone(int pid);

// Applies scenario lines ("0 drive sg3 condition failing") to the simulated host at once,
// failing the test on a line the player refuses; the actions applied go to applied.
void applyScenario(orbsim::ScenarioPlayer& player, const std::string& lines,
                   std::vector<orbsim::ScenarioAction>* applied = nullptr);

}  // namespace orbtest

#define ORB_TEST_HOST(name) static ::orbtest::TestHost orbTestHost_(name)
#define ORB_TEST_CONFIGURATION(json) static ::orbtest::TestConfiguration orbTestConfiguration_(json)
