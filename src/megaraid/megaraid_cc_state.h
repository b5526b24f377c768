#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "storage/consistency_check_state_base.h"

// What the consistency check running on a MegaRAID volume (or the last one) has found.
class orbMegaRAIDLogicalDiskConsistencyCheckState : public orbLogicalDiskConsistencyCheckStateBase {
  public:
    orbMegaRAIDLogicalDiskConsistencyCheckState() = default;
    ~orbMegaRAIDLogicalDiskConsistencyCheckState() override = default;

    std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> clone() const override {
        return std::make_unique<orbMegaRAIDLogicalDiskConsistencyCheckState>(*this);
    }
    // "# Corrected medium errors = 2; # Inconsistent parity = 1", empty when nothing was found.
    virtual std::string getStateInfoString() const;
    virtual int getCCResult() const { return CCResult; }
    virtual void setCCResult(int result) { CCResult = result; }
    virtual bool getCCFaultDetected() const { return CCFaultDetected; }
    virtual void setCCFaultDetected(bool detected) { CCFaultDetected = detected; }
    virtual std::string getCCEventMessage() const { return CCEventMessage; }
    virtual void setCCEventMessage(const std::string& message) { CCEventMessage = message; }
    virtual uint64_t getCorrectedMediumErrorCount() const { return CorrectedMediumErrorCount; }
    virtual void setCorrectedMediumErrorCount(uint64_t count) { CorrectedMediumErrorCount = count; }
    virtual uint64_t getUncorrectableMultipleMediumErrorCount() const {
        return UncorrectableMultipleMediumErrorCount;
    }
    virtual void setUncorrectableMultipleMediumErrorCount(uint64_t count) {
        UncorrectableMultipleMediumErrorCount = count;
    }
    virtual uint64_t getInconsistentParityCount() const { return InconsistentParityCount; }
    virtual void setInconsistentParityCount(uint64_t count) { InconsistentParityCount = count; }
    virtual bool getTooManyInconsistentParityDetected() const {
        return TooManyInconsistentParityDetected;
    }
    virtual void setTooManyInconsistentParityDetected(bool detected) {
        TooManyInconsistentParityDetected = detected;
    }

    void resetCCState();

    orbMegaRAIDLogicalDiskConsistencyCheckState(
        const orbMegaRAIDLogicalDiskConsistencyCheckState&) = default;
    orbMegaRAIDLogicalDiskConsistencyCheckState& operator=(
        const orbMegaRAIDLogicalDiskConsistencyCheckState&) = default;

  private:
    int CCResult = 0;
    bool CCFaultDetected = false;
    std::string CCEventMessage;
    uint64_t CorrectedMediumErrorCount = 0;
    uint64_t UncorrectableMultipleMediumErrorCount = 0;
    uint64_t InconsistentParityCount = 0;
    bool TooManyInconsistentParityDetected = false;
};
