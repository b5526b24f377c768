// Host identity: name, ESXi version and description, and the host's IPv4 addresses.

#include <algorithm>
#include <mutex>

#include "core/host_identity.h"
#include "core/log.h"
#include "core/utils.h"

namespace {

constexpr char kTag[] = "ORB_UTILS";
constexpr char kLoopbackName[] = "lo";
constexpr char kLoopbackAddress[] = "127.0.0.1";

struct AddressState {
    std::mutex mutex;
    std::string primaryIPv4Address;
    std::string auxIPv4Address;
};

AddressState& addresses() {
    static AddressState instance;
    return instance;
}

// The value of the localcli "Label: value" line that grep left over.
std::string versionField(const char* command, const char* labelPattern) {
    std::string text =
        orbUtils::parseEsxiCommandOutputAsCsv(orbUtils::executeCliCommandAndFetchOutput(command));
    std::string value;
    orbUtils::trimLeadingTrailingSpaces(orbUtils::getValueByRegexFromLocalcli(text, labelPattern),
                                        value);
    return value;
}

}  // namespace

std::string orbUtils::readHostName() {
    orbUnameFields names;
    if (!orbReadUname(names)) {
        return " ";
    }
    return names.nodename;
}

std::string orbUtils::readHostOSVersion() {
    // Every event document carries the version, and it cannot change before the host reboots:
    // once read it is kept, so that a slow or hung localcli holds up no later event.
    static std::mutex cacheLock;
    static std::string known;
    {
        std::lock_guard<std::mutex> guard(cacheLock);
        if (!known.empty()) {
            return known;
        }
    }
    std::string version =
        versionField("localcli system version get | grep -i Version:", ",Version: .*");
    std::lock_guard<std::mutex> guard(cacheLock);
    if (known.empty()) {
        known = version;
    }
    return version;
}

std::string orbUtils::readHostOSName() {
    return versionField("localcli system version get | grep -i Product", ",Product: .*");
}

std::string orbUtils::readHostOSDescription() {
    orbUnameFields names;
    if (!orbReadUname(names)) {
        return std::string();
    }
    return names.sysname + " " + names.nodename + " " + names.release + " " + names.version + " " +
           names.machine;
}

std::vector<std::string> orbUtils::getIPAddresses() {
    std::vector<std::string> found;
    std::vector<orbInterfaceAddress> interfaces;
    if (!orbListIPv4Addresses(interfaces)) {
        ORB_LOG_ERROR(kTag, "Unable to list the network interfaces.");
    }
    for (const orbInterfaceAddress& entry : interfaces) {
        ORB_LOG_DEBUG(kTag, "%s IP Address %s\n", entry.interfaceName.c_str(),
                      entry.address.c_str());
        if (entry.interfaceName != kLoopbackName) {
            found.push_back(entry.address);
        }
    }

    // The auxiliary address stays the same for as long as the host still has it, so that events
    // do not name a different address every time.
    AddressState& state = addresses();
    std::lock_guard<std::mutex> guard(state.mutex);
    if (std::find(found.begin(), found.end(), state.auxIPv4Address) == found.end()) {
        state.auxIPv4Address = found.empty() ? std::string() : found.front();
    }
    return found;
}

std::vector<std::string> orbUtils::updateAndFetchIPAddresses() {
    std::vector<std::string> found = getIPAddresses();
    AddressState& state = addresses();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.primaryIPv4Address = found.empty() ? std::string(kLoopbackAddress) : found.front();
    return found;
}

std::string orbUtils::getPrimaryIPAddress() {
    AddressState& state = addresses();
    {
        std::lock_guard<std::mutex> guard(state.mutex);
        if (!state.primaryIPv4Address.empty() || !state.auxIPv4Address.empty()) {
            return state.primaryIPv4Address.empty() ? state.auxIPv4Address
                                                    : state.primaryIPv4Address;
        }
    }
    // Nothing has walked the interface list yet (events raised before the first host build):
    // walk it now, so the RMC learns where the event came from.
    getIPAddresses();
    std::lock_guard<std::mutex> guard(state.mutex);
    return state.auxIPv4Address;
}
