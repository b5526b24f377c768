#include "megaraid/megaraid_cc_handler.h"

#include <memory>

#include "core/log.h"
#include "megaraid/megaraid_cc_state.h"
#include "megaraid/megaraid_controller.h"

namespace {

constexpr const char* kTag = "LSIMR_CC_EVT_HNDLR";

// The firmware's consistency-check events.
enum : uint32_t {
    kCCDone = 0x0038,            // finished, nothing inconsistent
    kCCDoneWithErrors = 0x003A,  // finished, inconsistencies found
    kCCCorrectedMediumError = 0x003B,
    kCCUncorrectableMediumError = 0x003C,
    kCCAborted = 0x003D,
    kCCFailed = 0x003E,
    kCCInconsistentParity = 0x003F,
    kCCParityLoggingDisabled = 0x0040,
    kCCStarted = 0x0041,
    kCCProgress = 0x0042,
    kCCFinishedWithUncorrectable = 0x00C6,
};

void logState(const char* when, const orbLogicalDiskInfo& volume,
              const orbMegaRAIDLogicalDiskConsistencyCheckState& state) {
    ORB_LOG_INFO(kTag,
                 when[0] == 'O' ? "MegaRAID CC State [%s] - Old: [%d], [%s], [%s]"
                                : "MegaRAID CC State [%s] - New: [%d], [%s], [%s]",
                 volume.getLogicalDiskID().c_str(), state.getCCResult(),
                 state.getCCFaultDetected() ? "true" : "false", state.getStateInfoString().c_str());
}

}  // namespace

bool orbMegaRAIDConsistencyCheckEventHandler::processConsistencyCheckEvents(
    orbMegaRAIDController*, orbLogicalDiskInfo& volume, ORB_SAS_EVENT_DETAIL* event, int& eventId,
    bool& critical) {
    eventId = 0;
    critical = false;
    const uint32_t code = event->eventCode;
    switch (code) {
        case kCCDone:
        case kCCDoneWithErrors:
        case kCCCorrectedMediumError:
        case kCCUncorrectableMediumError:
        case kCCAborted:
        case kCCFailed:
        case kCCInconsistentParity:
        case kCCParityLoggingDisabled:
        case kCCStarted:
        case kCCFinishedWithUncorrectable:
        case 0x000E:
        case kCCProgress:
        case 0x0131:
        case 0x0147:
        case 0x0197:
        case 0x0198:
        case 0x019E:
            break;
        default:
            return false;
    }
    auto* state =
        dynamic_cast<orbMegaRAIDLogicalDiskConsistencyCheckState*>(volume.getCurrentCCState());
    if (state == nullptr) {
        volume.setCurrentCCState(std::make_unique<orbMegaRAIDLogicalDiskConsistencyCheckState>());
        state =
            static_cast<orbMegaRAIDLogicalDiskConsistencyCheckState*>(volume.getCurrentCCState());
    }
    logState("Old", volume, *state);
    const std::string findings = state->getStateInfoString();
    bool terminal = false;
    switch (code) {
        case kCCStarted:
            // A new check: what the last one found is not this one's.
            state->resetCCState();
            break;
        case kCCCorrectedMediumError:
            state->setCorrectedMediumErrorCount(state->getCorrectedMediumErrorCount() + 1);
            break;
        case kCCUncorrectableMediumError:
            state->setCCFaultDetected(true);
            state->setUncorrectableMultipleMediumErrorCount(
                state->getUncorrectableMultipleMediumErrorCount() + 1);
            break;
        case kCCInconsistentParity:
            state->setCCFaultDetected(true);
            state->setInconsistentParityCount(state->getInconsistentParityCount() +
                                              (event->count > 0 ? event->count : 1));
            break;
        case kCCParityLoggingDisabled:
            state->setTooManyInconsistentParityDetected(true);
            break;
        case kCCDone:
            state->setCCResult(3);
            state->setCCEventMessage(orbMegaRAIDController::getAddEventInfo(event));
            eventId = 1385;
            terminal = true;
            break;
        case kCCDoneWithErrors:
        case kCCFinishedWithUncorrectable:
            state->setCCResult(code == kCCDoneWithErrors ? 2 : 3);
            state->setCCEventMessage(
                orbMegaRAIDController::getAddEventInfoWithOptionalDetail(event, findings));
            eventId = 1387;
            critical = true;
            terminal = true;
            break;
        case kCCAborted:
            state->setCCResult(4);
            state->setCCEventMessage(orbMegaRAIDController::getAddEventInfo(event));
            eventId = 1388;
            terminal = true;
            break;
        case kCCFailed:
            if (state->getCCFaultDetected()) {
                state->setCCResult(5);
            }
            state->setCCEventMessage(
                orbMegaRAIDController::getAddEventInfoWithOptionalDetail(event, findings));
            eventId = 1388;
            critical = true;
            terminal = true;
            break;
        default:
            ORB_LOG_DEBUG(kTag, "No event achieved");
            break;
    }
    if (terminal) {
        volume.setEventInfoString(state->getCCEventMessage());
        // The summary goes out once; the next check starts from nothing.
        auto finished = std::make_unique<orbMegaRAIDLogicalDiskConsistencyCheckState>(*state);
        volume.setPreviousCCState(std::move(finished));
        state =
            static_cast<orbMegaRAIDLogicalDiskConsistencyCheckState*>(volume.getCurrentCCState());
        const int result = state->getCCResult();
        state->resetCCState();
        state->setCCResult(result);
    }
    logState("New", volume, *state);
    return true;
}
