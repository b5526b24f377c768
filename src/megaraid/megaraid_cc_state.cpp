#include "megaraid/megaraid_cc_state.h"

#include <map>

std::string orbMegaRAIDLogicalDiskConsistencyCheckState::getStateInfoString() const {
    const std::map<std::string, uint64_t> counts = {
        {"Corrected medium errors", CorrectedMediumErrorCount},
        {"Uncorrectable multiple medium errors", UncorrectableMultipleMediumErrorCount},
        {"Inconsistent parity", InconsistentParityCount}};
    std::string text;
    for (const auto& [name, count] : counts) {
        if (count == 0) {
            continue;
        }
        if (name == "Inconsistent parity" && TooManyInconsistentParityDetected) {
            // The firmware stopped counting: the exact figure is unknown, only that it is
            // beyond its limit.
            text = "# Inconsistent parity > 10";
            continue;
        }
        if (!text.empty()) {
            text += "; ";
        }
        text += "# " + name + " = " + std::to_string(static_cast<unsigned long long>(count));
    }
    return text;
}

void orbMegaRAIDLogicalDiskConsistencyCheckState::resetCCState() {
    CCFaultDetected = false;
    CCEventMessage.clear();
    CCResult = 0;
    CorrectedMediumErrorCount = 0;
    UncorrectableMultipleMediumErrorCount = 0;
    InconsistentParityCount = 0;
    TooManyInconsistentParityDetected = false;
}
