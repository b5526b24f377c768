#include <array>
#include <cstring>
#include <string>

#include "core/log.h"
#include "report/ipmi_utils.h"

namespace ipmi {

namespace {

const char* const kTag = "IPMI";

constexpr size_t kDoorbellTextSize = 254;
const char* const kInventoryRequest = "WriteInventory";

// A door bell that cannot be read is reported once per outage, not at every poll. Used only by
// the holder of the channel turn.
bool pollsFailing = false;

}  // namespace

bool IPMIUtils::checkIPMIDBRequest() {
    ORB_LOG_DEBUG(kTag, "Checking IPMI door bell request");
    std::array<unsigned char, kDoorbellTextSize> buffer{};
    size_t copied = 0;
    bool answered = false;
    {
        ChannelTurn turn;
        if (!turn.held()) {
            return false;
        }
        answered = exchange(kRMCNetFn, kRMCDoorbellCommand, nullptr, 0, buffer.data(),
                            buffer.size(), copied);
        if (!answered && stopRequested()) {
            return false;  // given up for the stop; says nothing about the RMC
        }
        if (!answered) {
            ORB_LOG(pollsFailing ? orbLogKind::Debug : orbLogKind::Error, kTag,
                    "An error occurred in checking RMC request via IPMI");
            pollsFailing = true;
            return false;
        }
        if (pollsFailing) {
            ORB_LOG_INFO(kTag, "The RMC answers door-bell polls again");
            pollsFailing = false;
        }
    }
    // The RMC fills up to the whole buffer and need not terminate the text: it ends at the
    // received length, or at a zero byte before it.
    const char* text = reinterpret_cast<const char*>(buffer.data());
    const std::string doorbell(text, strnlen(text, copied));
    ORB_LOG_DEBUG(kTag, "Return buffer from door bell: %s", doorbell.c_str());
    return doorbell.find(kInventoryRequest) != std::string::npos;
}

}  // namespace ipmi
