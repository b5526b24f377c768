#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "sim/rmc/simulated_rmc.h"

// A scenario: changes to a simulated host and its RMC, played over time while the service
// runs, so that the service meets them through its own read paths. One action a line,
// blank lines and lines starting with '#' ignored:
//
//   SECONDS ACTION ARGS...
//
//   2   write /sys/class/scsi_host/host8/state Offline     the text, with a newline
//   3   remove PATH | restore PATH                          restore: the host's own file or link
//   5   drive sg3 condition failing                         one key of dev/sg3's description
//   6   drive sg3 remove | drive sg3 insert                 hot-unplug and re-plug
//   7   port host8 state Offline                            sys/class/scsi_host/host8/state
//   8   rmc transfer-status PACKET STATUS | rmc fail-packet PACKET [FAULT] | rmc clear
//   9   rmc doorbell TEXT | rmc restart 20                    restart: silent for 20 s
//   10  fc WWPN state Linkdown | fc ADAPTER remove         see fc_actions.h
//   11  nic vmnic1 link Up|Down | nic vmnic1 admin Up|Down     a port of the nic listing
//   12  nic vmnic1 remove                                   the port leaves the listing
//   13  nvme vmhba4 smart "Read Only Mode" true | nvme vmhba4 remove | nvme vmhba4 insert
//                                                            see nvme_actions.h
//   13  megaraid 0 pd 252:1 state 0x11 | megaraid 0 ld 1 state 2 | megaraid 0 event CODE ...
//       | megaraid 0 cc 1 start|progress N|done|abort [FINDINGS]   see megaraid_actions.h
//
// SECONDS counts from the start of the run and may carry up to three decimals. Paths are the
// host's absolute paths, taken inside its root; ".." is refused.

namespace orbsim {

enum class ScenarioVerb {
    Write,
    Remove,
    Restore,
    DriveSet,
    DriveRemove,
    DriveInsert,
    PortState,
    RmcTransferStatus,
    RmcFailPacket,
    RmcClear,
    RmcRestart,
    RmcDoorbell,
    FcPortState,
    FcAdapterRemove,
    NicLink,
    NicAdmin,
    NicRemove,
    NvmeSmart,
    NvmeRemove,
    NvmeInsert,
    Megaraid,
};

struct ScenarioAction {
    unsigned line = 0;  // in the scenario file, 0 for actions given otherwise
    std::chrono::milliseconds at{0};
    ScenarioVerb verb = ScenarioVerb::Write;
    std::string target;  // path, drive, SCSI host or network port name
    std::string key;     // drive description key, SMART log label
    std::string text;    // text written, key value, door-bell text or Up/Down
    unsigned packet = 0;
    unsigned status = 0;  // transfer status, or the seconds of an RMC restart
    ExchangeFault fault = ExchangeFault::SendFails;
    std::string source;  // the line as written, for the log
};

// Actions on the RMC alone, which need no simulated host root.
bool isRmcAction(ScenarioVerb verb);

constexpr size_t kScenarioLineLimit = 4096;
constexpr size_t kScenarioFileLimit = 1 << 20;

// Parses a whole scenario, the actions ordered by time (file order among equal times).
// False with "line N: why" when any line is malformed or names an unknown action.
bool parseScenario(const std::string& text, std::vector<ScenarioAction>& actions,
                   std::string& error);
bool readScenario(const std::string& path, std::vector<ScenarioAction>& actions,
                  std::string& error);

}  // namespace orbsim
