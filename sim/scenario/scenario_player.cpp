#include "sim/scenario/scenario_player.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "sim/drives/drive_description.h"
#include "sim/drives/simulated_drives.h"
#include "sim/scenario/fc_actions.h"
#include "sim/scenario/nvme_actions.h"
#include "sim/scenario/megaraid_actions.h"

namespace fs = std::filesystem;

namespace orbsim {
namespace {

constexpr size_t kKeptFileLimit = 1 << 20;

std::string why(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool readBounded(const std::string& path, std::string& contents, std::string& error) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = why("cannot read " + path);
        return false;
    }
    contents.clear();
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof(buffer))) > 0 && contents.size() <= kKeptFileLimit) {
        contents.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    if (got < 0 || contents.size() > kKeptFileLimit) {
        error = got < 0 ? why("cannot read " + path) : path + " is too large to keep";
        return false;
    }
    return true;
}

bool writeAll(int fd, const std::string& contents) {
    size_t done = 0;
    while (done < contents.size()) {
        ssize_t wrote = write(fd, contents.data() + done, contents.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// A new file renamed over the old one: readers see the old text or the new, never a part.
bool replaceFile(const std::string& path, const std::string& contents, std::string& error) {
    std::string scratch = path + ".scenario-new";
    int fd = open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = why("cannot write " + path);
        return false;
    }
    bool written = writeAll(fd, contents);
    close(fd);
    if (!written || rename(scratch.c_str(), path.c_str()) != 0) {
        error = why("cannot write " + path);
        unlink(scratch.c_str());
        return false;
    }
    return true;
}

std::string trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t\r");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

bool exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

ScenarioPlayer::ScenarioPlayer(std::string root, std::shared_ptr<SimulatedRMC> rmc)
    : root(std::move(root)), rmc(std::move(rmc)) {}

ScenarioPlayer::~ScenarioPlayer() {
    stop();
}

void ScenarioPlayer::start(std::vector<ScenarioAction> actions) {
    stop();
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = false;
    }
    thread = std::thread(&ScenarioPlayer::play, this, std::move(actions));
}

void ScenarioPlayer::stop() {
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable()) {
        thread.join();
    }
}

void ScenarioPlayer::play(std::vector<ScenarioAction> actions) {
    const auto begin = std::chrono::steady_clock::now();
    for (const ScenarioAction& action : actions) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (wake.wait_until(lock, begin + action.at, [this] { return stopping; })) {
                return;
            }
        }
        std::string error;
        bool applied = apply(action, error);
        std::string where = action.line > 0 ? "line " + std::to_string(action.line) : "option";
        std::fprintf(stderr, "scenario: %.3f s, %s: %s%s%s\n",
                     static_cast<double>(action.at.count()) / 1000.0, where.c_str(),
                     action.source.c_str(),
                     applied ? "" : " -- not applied: ", applied ? "" : error.c_str());
    }
}

bool ScenarioPlayer::apply(const ScenarioAction& action, std::string& error) {
    if (root.empty() && !isRmcAction(action.verb)) {
        // Without a root the host's paths would be this machine's own.
        error = "no simulated host root to change";
        return false;
    }
    switch (action.verb) {
        case ScenarioVerb::Write:
            return writeFile(action.target, action.text.empty() ? "" : action.text + "\n", error);
        case ScenarioVerb::Remove:
            return removeFile(action.target, error);
        case ScenarioVerb::Restore:
            return restoreFile(action.target, error);
        case ScenarioVerb::DriveSet:
            return setDriveKey(action, error);
        case ScenarioVerb::DriveRemove:
            return unplugDrive(action.target, error);
        case ScenarioVerb::DriveInsert:
            return plugDrive(action.target, error);
        case ScenarioVerb::PortState:
            return writeFile("/sys/class/scsi_host/" + action.target + "/state", action.text + "\n",
                             error);
        case ScenarioVerb::RmcTransferStatus:
        case ScenarioVerb::RmcFailPacket:
        case ScenarioVerb::RmcClear:
        case ScenarioVerb::RmcRestart:
        case ScenarioVerb::RmcDoorbell:
            return applyRmc(action, error);
        case ScenarioVerb::FcPortState:
        case ScenarioVerb::FcAdapterRemove:
            return applyFcAction(root, action, error);
        case ScenarioVerb::NicLink:
        case ScenarioVerb::NicAdmin:
        case ScenarioVerb::NicRemove:
            return changeNicListing(action, error);
        case ScenarioVerb::NvmeSmart:
        case ScenarioVerb::NvmeRemove:
        case ScenarioVerb::NvmeInsert:
            return applyNvmeAction(root, action, error);
        case ScenarioVerb::Megaraid:
            return applyMegaraidAction(root, action, error);
    }
    error = "unknown action";
    return false;
}

// The folder holding the path must lie inside the root once its links are followed; the last
// component itself is replaced or removed, never followed.
bool ScenarioPlayer::resolve(const std::string& hostPath, std::string& path,
                             std::string& error) const {
    path = root + hostPath;
    char realRoot[PATH_MAX];
    char realFolder[PATH_MAX];
    std::string folder = fs::path(path).parent_path().string();
    if (realpath(root.c_str(), realRoot) == nullptr ||
        realpath(folder.c_str(), realFolder) == nullptr) {
        error = "no folder " + fs::path(hostPath).parent_path().string() + " in the host";
        return false;
    }
    std::string inside = std::string(realRoot) + "/";
    if (std::string(realFolder) + "/" != inside &&
        std::string(realFolder).compare(0, inside.size(), inside) != 0) {
        error = hostPath + " leads out of the host";
        return false;
    }
    return true;
}

bool ScenarioPlayer::keepOriginal(const std::string& path, std::string& error) {
    if (originals.count(path) > 0) {
        return true;
    }
    Original original;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        original.kind = Original::Kind::Missing;
    } else if (S_ISLNK(info.st_mode)) {
        char target[PATH_MAX];
        ssize_t length = readlink(path.c_str(), target, sizeof(target));
        if (length < 0 || static_cast<size_t>(length) >= sizeof(target)) {
            error = "cannot read the link " + path;
            return false;
        }
        original.kind = Original::Kind::Link;
        original.contents.assign(target, static_cast<size_t>(length));
    } else if (S_ISREG(info.st_mode)) {
        original.kind = Original::Kind::File;
        if (!readBounded(path, original.contents, error)) {
            return false;
        }
    } else {
        error = path + " is not a file or link";
        return false;
    }
    originals.emplace(path, std::move(original));
    return true;
}

bool ScenarioPlayer::writeFile(const std::string& hostPath, const std::string& contents,
                               std::string& error) {
    std::string path;
    return resolve(hostPath, path, error) && keepOriginal(path, error) &&
           replaceFile(path, contents, error);
}

bool ScenarioPlayer::removeFile(const std::string& hostPath, std::string& error) {
    std::string path;
    if (!resolve(hostPath, path, error) || !keepOriginal(path, error)) {
        return false;
    }
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        error = why("cannot remove " + hostPath);
        return false;
    }
    return true;
}

bool ScenarioPlayer::restoreFile(const std::string& hostPath, std::string& error) {
    std::string path;
    if (!resolve(hostPath, path, error)) {
        return false;
    }
    auto found = originals.find(path);
    if (found == originals.end()) {
        error = "the scenario has not changed " + hostPath;
        return false;
    }
    const Original& original = found->second;
    bool ok = true;
    if (original.kind == Original::Kind::File) {
        ok = replaceFile(path, original.contents, error);
    } else {
        ok = unlink(path.c_str()) == 0 || errno == ENOENT;
        if (ok && original.kind == Original::Kind::Link) {
            ok = symlink(original.contents.c_str(), path.c_str()) == 0;
        }
        if (!ok) {
            error = why("cannot restore " + hostPath);
        }
    }
    if (ok) {
        originals.erase(found);
    }
    return ok;
}

// Every line of the key gives way to one with the new value; the result must still be a
// description the drive stand-in reads, or nothing is written.
bool ScenarioPlayer::setDriveKey(const ScenarioAction& action, std::string& error) {
    std::string path;
    std::string text;
    if (unplugged.count(action.target) > 0) {
        error = "drive " + action.target + " is unplugged";
        return false;
    }
    if (!resolve("/dev/" + action.target, path, error) || !readBounded(path, text, error)) {
        return false;
    }
    std::string changed;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        std::string content = line.substr(0, line.find('#'));
        size_t equals = content.find('=');
        if (equals == std::string::npos || trim(content.substr(0, equals)) != action.key) {
            changed += line + "\n";
        }
    }
    changed += action.key + " = " + action.text + "\n";
    DriveDescription drive;
    if (!parseDriveDescription(changed, drive, error) || !keepOriginal(path, error)) {
        return false;
    }
    return replaceFile(path, changed, error);
}

bool ScenarioPlayer::unplugDrive(const std::string& name, std::string& error) {
    if (unplugged.count(name) > 0) {
        error = "drive " + name + " is already unplugged";
        return false;
    }
    const std::string generic = root + "/sys/class/scsi_generic/" + name;
    char target[PATH_MAX];
    ssize_t length = readlink(generic.c_str(), target, sizeof(target));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(target)) {
        error = "no drive " + name + " in sys/class/scsi_generic";
        return false;
    }
    // .../<H:C:T:L>/scsi_generic/<name>
    fs::path device = (fs::path(root + "/sys/class/scsi_generic") /
                       std::string(target, static_cast<size_t>(length)))
                          .lexically_normal()
                          .parent_path()
                          .parent_path();
    const std::string devices = root + "/sys/devices/";
    if (device.string().compare(0, devices.size(), devices) != 0) {
        error = "drive " + name + " is not below sys/devices";
        return false;
    }
    std::vector<std::string> entries = {
        generic, root + "/sys/class/scsi_device/" + device.filename().string()};
    std::error_code failure;
    for (const fs::directory_entry& block : fs::directory_iterator(device / "block", failure)) {
        entries.push_back(root + "/sys/block/" + block.path().filename().string());
    }
    entries.push_back(device.string());
    entries.push_back(root + "/dev/" + name);

    const std::string stash = root + kUnpluggedDrivesFolder + name;
    fs::create_directories(stash, failure);
    std::vector<std::pair<std::string, std::string>> moved;
    for (const std::string& entry : entries) {
        std::string waiting = stash + "/" + std::to_string(moved.size());
        if (!exists(entry)) {
            continue;
        }
        if (rename(entry.c_str(), waiting.c_str()) != 0) {
            error = why("cannot move " + entry + " aside");
            for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
                rename(it->second.c_str(), it->first.c_str());
            }
            return false;
        }
        moved.emplace_back(entry, waiting);
    }
    unplugged[name] = std::move(moved);
    return true;
}

bool ScenarioPlayer::plugDrive(const std::string& name, std::string& error) {
    auto found = unplugged.find(name);
    if (found == unplugged.end()) {
        error = "drive " + name + " is not unplugged";
        return false;
    }
    bool ok = true;
    for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
        if (rename(it->second.c_str(), it->first.c_str()) != 0) {
            error = why("cannot put back " + it->first);
            ok = false;
        }
    }
    unplugged.erase(found);
    std::error_code failure;
    fs::remove_all(root + kUnpluggedDrivesFolder + name, failure);
    return ok;
}

bool ScenarioPlayer::changeNicListing(const ScenarioAction& action, std::string& error) {
    // The columns are as wide as the dashes under their headers (the description's dashes
    // aside, which the value may outrun); a new value is padded to its column.
    const std::string listing = "/bin/localcli.d/network/nic/list";
    std::string path;
    std::string text;
    if (!resolve(listing, path, error) || !readBounded(path, text, error)) {
        return false;
    }
    std::vector<std::string> lines;
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    std::vector<size_t> starts;
    if (lines.size() >= 2) {
        for (size_t i = 0; i < lines[1].size(); ++i) {
            if (lines[1][i] == '-' && (i == 0 || lines[1][i - 1] == ' ')) {
                starts.push_back(i);
            }
        }
    }
    const size_t column = action.verb == ScenarioVerb::NicAdmin ? 3 : 4;
    if (starts.size() <= column + 1) {
        error = listing + " has no column line";
        return false;
    }
    std::string changed;
    bool found = false;
    for (size_t index = 0; index < lines.size(); ++index) {
        std::string line = lines[index];
        if (index >= 2 && line.compare(0, action.target.size() + 1, action.target + " ") == 0) {
            found = true;
            if (action.verb == ScenarioVerb::NicRemove) {
                continue;
            }
            const size_t width = starts[column + 1] - starts[column];
            std::string cell = action.text;
            cell.resize(width, ' ');
            if (line.size() < starts[column + 1]) {
                error = "the row of " + action.target + " is too short";
                return false;
            }
            line.replace(starts[column], width, cell);
        }
        changed += line + "\n";
    }
    if (!found) {
        error = "no port " + action.target + " in " + listing;
        return false;
    }
    return writeFile(listing, changed, error);
}

bool ScenarioPlayer::applyRmc(const ScenarioAction& action, std::string& error) {
    if (!rmc) {
        error = "no simulated RMC";
        return false;
    }
    switch (action.verb) {
        case ScenarioVerb::RmcTransferStatus:
            rmc->answerTransferStatus(action.packet, static_cast<unsigned char>(action.status));
            return true;
        case ScenarioVerb::RmcFailPacket:
            rmc->failPacket(action.packet, action.fault);
            return true;
        case ScenarioVerb::RmcClear:
            rmc->clearFaults();
            return true;
        case ScenarioVerb::RmcRestart:
            rmc->startOutage(std::chrono::milliseconds(0), std::chrono::seconds(action.status));
            return true;
        case ScenarioVerb::RmcDoorbell:
            rmc->ringDoorbell(action.text);
            return true;
        default:
            error = "not an RMC action";
            return false;
    }
}

}  // namespace orbsim
