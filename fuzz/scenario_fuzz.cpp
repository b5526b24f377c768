// Scenario files: whatever a file holds, parsing it ends with actions or a refusal naming a
// line, never a crash, and every action it accepts names a path inside the host.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/scenario/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<orbsim::ScenarioAction> actions;
    std::string error;
    bool parsed = orbsim::parseScenario(text, actions, error);
    if (parsed != error.empty() || (!parsed && !actions.empty())) {
        __builtin_trap();
    }
    for (const orbsim::ScenarioAction& action : actions) {
        if (action.target.find("..") != std::string::npos &&
            (action.verb == orbsim::ScenarioVerb::Write ||
             action.verb == orbsim::ScenarioVerb::Remove ||
             action.verb == orbsim::ScenarioVerb::Restore)) {
            const std::string& path = action.target;
            for (size_t at = path.find("/.."); at != std::string::npos;
                 at = path.find("/..", at + 1)) {
                if (at + 3 == path.size() || path[at + 3] == '/') {
                    __builtin_trap();
                }
            }
        }
    }
    return 0;
}
