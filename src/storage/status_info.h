#pragma once

#include "storage/inventory_base.h"
#include "storage/resource_status.h"

// The status part of a record: its current state and health, and the state and health it was
// last reported with in an event. Controllers compare the current pair with the previous
// pass's record to detect a change, and with the event pair to avoid reporting one twice.
class orbStatusInfo : public virtual orbInventoryBase {
  public:
    // Both shapes are {"State": text, "Health": text}.
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;

    ORB_RESOURCE_STATE getState() const { return State; }
    void setState(ORB_RESOURCE_STATE state) { State = state; }
    ORB_RESOURCE_HEALTH getHealth() const { return Health; }
    void setHealth(ORB_RESOURCE_HEALTH health) { Health = health; }
    ORB_RESOURCE_STATE getEventState() const { return EventState; }
    void setEventState(ORB_RESOURCE_STATE state) { EventState = state; }
    ORB_RESOURCE_HEALTH getEventHealth() const { return EventHealth; }
    void setEventHealth(ORB_RESOURCE_HEALTH health) { EventHealth = health; }

    // Current state and health against another record, usually the previous pass's copy.
    bool isStateChangedFrom(const orbStatusInfo& previous) const { return State != previous.State; }
    bool isHealthChangedFrom(const orbStatusInfo& previous) const {
        return Health != previous.Health;
    }
    bool isStatusChangedFrom(const orbStatusInfo& previous) const {
        return isStateChangedFrom(previous) || isHealthChangedFrom(previous);
    }

    // Current state and health against the pair last reported in an event.
    bool isStatusChangedSinceEvent() const { return State != EventState || Health != EventHealth; }
    // Records the current pair as reported.
    void markStatusReported() {
        EventState = State;
        EventHealth = Health;
    }

  protected:
    // Copies the current pair only, leaving what was reported alone.
    void copyCurrentStatus(const orbStatusInfo& other) {
        State = other.State;
        Health = other.Health;
    }

  private:
    ORB_RESOURCE_STATE State = ORB_STATE_UNKNOWN;
    ORB_RESOURCE_HEALTH Health = ORB_HEALTH_UNKNOWN;
    ORB_RESOURCE_STATE EventState = ORB_STATE_UNKNOWN;
    ORB_RESOURCE_HEALTH EventHealth = ORB_HEALTH_UNKNOWN;
};

static_assert(sizeof(ORB_RESOURCE_STATE) == 1 && sizeof(ORB_RESOURCE_HEALTH) == 1,
              "a record keeps its state and health in one byte each");

// The status type shared by SAS/SATA and NVMe drive records. Its event payload is the status
// object; it contributes nothing to the inventory on its own, since the storage managers
// build the drive entries from the getters.
class orbDiskStatusInfo : public virtual orbInventoryBase, public orbStatusInfo {
  public:
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;
};
