#pragma once

#include <string>

#include "sim/scenario/scenario.h"

// The MegaRAID actions of a scenario, which change what the storage library describes
// (/var/lib/sim-storelib/controllers) and fire firmware events through its callback thread
// (lines appended to /var/lib/sim-storelib/events, see sim/storelib/). CONTROLLER is the
// controller's place in the library's list, 0 for the first:
//
//   megaraid CONTROLLER pd ENC:SLOT state BYTE     the drive's firmware state (0x00 online,
//                                                  0x11 failed, 0x14 rebuild, ...) and the
//                                                  state-change event 0x0072
//   megaraid CONTROLLER ld TARGET state VALUE      the volume's state (3 optimal, 2 degraded,
//                                                  1 partially degraded, 0 offline) and its
//                                                  event (0x00F9, 0x00FB, 0x00FA, 0x00FC)
//   megaraid CONTROLLER event CODE [KEY=VALUE...]  one firmware event: class=, locale=,
//                                                  args=, device=, enclosure=, slot=, new=,
//                                                  target=, count=, text=... (last)
//   megaraid CONTROLLER cc TARGET start|progress N|done|abort [FINDINGS]
//                                                  a consistency check's events; FINDINGS of
//                                                  done: corrected=N,uncorrectable=N,parity=N
//                                                  and too-many

namespace orbsim {

// rest is the line after "megaraid"; false with the reason when it is malformed.
bool parseMegaraidAction(std::string rest, ScenarioAction& action, std::string& why);

bool applyMegaraidAction(const std::string& root, const ScenarioAction& action, std::string& error);

}  // namespace orbsim
