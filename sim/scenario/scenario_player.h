#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sim/rmc/simulated_rmc.h"
#include "sim/scenario/scenario.h"

// Plays a scenario (see scenario.h) against the simulated host at root and its simulated
// RMC, on a thread of its own, logging each action to standard error:
//
//   orbsim::ScenarioPlayer player(root, rmc);
//   player.start(actions);   // times count from here
//   ...
//   player.stop();           // returns at once; actions not yet due are dropped
//
// Files are replaced whole (a new file renamed over the old one), so readers see the old text
// or the new, never a part; a drive answers from its new description even on a descriptor
// opened before. The first change of a path keeps what was there, for restore. An unplugged
// drive's sysfs entries and generic device wait in <root>/.scenario/unplugged/ until it is
// inserted again.

namespace orbsim {

class ScenarioPlayer {
  public:
    ScenarioPlayer(std::string root, std::shared_ptr<SimulatedRMC> rmc);
    ~ScenarioPlayer();
    ScenarioPlayer(const ScenarioPlayer&) = delete;
    ScenarioPlayer& operator=(const ScenarioPlayer&) = delete;

    // Carries out one action now; false with the reason when it cannot be.
    bool apply(const ScenarioAction& action, std::string& error);

    void start(std::vector<ScenarioAction> actions);
    void stop();

  private:
    // What a path held before the scenario first changed it.
    struct Original {
        enum class Kind { Missing, File, Link } kind = Kind::Missing;
        std::string contents;  // the file's bytes or the link's target
    };

    void play(std::vector<ScenarioAction> actions);
    bool resolve(const std::string& hostPath, std::string& path, std::string& error) const;
    bool keepOriginal(const std::string& path, std::string& error);
    bool writeFile(const std::string& hostPath, const std::string& contents, std::string& error);
    bool removeFile(const std::string& hostPath, std::string& error);
    bool restoreFile(const std::string& hostPath, std::string& error);
    bool setDriveKey(const ScenarioAction& action, std::string& error);
    bool unplugDrive(const std::string& name, std::string& error);
    bool plugDrive(const std::string& name, std::string& error);
    bool applyRmc(const ScenarioAction& action, std::string& error);
    // Changes or drops a port's row of bin/localcli.d/network/nic/list.
    bool changeNicListing(const ScenarioAction& action, std::string& error);

    const std::string root;
    const std::shared_ptr<SimulatedRMC> rmc;
    std::map<std::string, Original> originals;
    // Per unplugged drive: where each entry was and where it waits.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> unplugged;

    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;
};

}  // namespace orbsim
