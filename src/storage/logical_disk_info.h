#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "storage/consistency_check_state_base.h"
#include "storage/logical_disk_oem_info.h"
#include "storage/status_info.h"

// One volume (logical drive) of a RAID controller: its identity, its member drives, its
// status and what its consistency checks found.
//
// Copies are handed to the resource managers and compared with later passes, so a copy
// (construction or assignment) takes the current state and health but not the pair last
// reported in an event: a new copy starts with that pair at 0, an assigned one keeps its own.
// The consistency-check states are owned and cloned into every copy. Moving relocates the
// whole record, reported pair included, so a volume list that grows or closes a gap keeps
// every volume's event bookkeeping.
class orbLogicalDiskInfo : public virtual orbInventoryBase,
                           public orbStatusInfo,
                           public orbLogicalDiskOEMInfo {
  public:
    orbLogicalDiskInfo() = default;
    orbLogicalDiskInfo(const orbLogicalDiskInfo& other);
    orbLogicalDiskInfo& operator=(const orbLogicalDiskInfo& other);
    orbLogicalDiskInfo(orbLogicalDiskInfo&& other) noexcept = default;
    orbLogicalDiskInfo& operator=(orbLogicalDiskInfo&& other) noexcept = default;
    ~orbLogicalDiskInfo() override = default;

    // {"Type": "Volume", "Data": {identity, "Drives" when it has members, "Oem"},
    // "EventInfo"}.
    Json::Value getVariableData() const override;
    // None: the storage manager builds the volume entries from the getters.
    Json::Value getInventoryData() const override;

    std::string getDurableName() const { return Fields.DurableName; }
    void setDurableName(const std::string& name) { Fields.DurableName = name; }
    std::string getRAIDLevel() const { return Fields.RAIDLevel; }
    void setRAIDLevel(const std::string& level) { Fields.RAIDLevel = level; }
    uint64_t getCapacityBytes() const { return Fields.CapacityBytes; }
    void setCapacityBytes(uint64_t bytes) { Fields.CapacityBytes = bytes; }

    // The member drives, each by its identifying text. An index at or past the end is
    // refused: the getter gives an empty text, the setter and the delete change nothing and
    // return false, and each logs the refusal.
    std::vector<std::string> getPhysicalDiskVector() const { return Fields.PhysicalDisks; }
    std::string getPhysicalDisk(size_t index) const;
    bool setPhysicalDisk(size_t index, const std::string& disk);
    void addPhysicalDisk(const std::string& disk) { Fields.PhysicalDisks.push_back(disk); }
    void clearPhysicalDiskList() { Fields.PhysicalDisks.clear(); }
    size_t getPhysicalDiskListSize() const { return Fields.PhysicalDisks.size(); }
    bool deletePhysicalDisk(size_t index);

    std::string getDescription() const { return Fields.Description; }
    void setDescription(const std::string& description) { Fields.Description = description; }
    std::string getLogicalDiskID() const { return Fields.LogicalDiskID; }
    void setLogicalDiskID(const std::string& id) { Fields.LogicalDiskID = id; }
    std::string getEventInfoString() const { return Fields.EventInfoString; }
    void setEventInfoString(const std::string& text) { Fields.EventInfoString = text; }
    bool getDeviceMissing() const { return Fields.DeviceMissing; }
    void setDeviceMissing(bool missing) { Fields.DeviceMissing = missing; }
    bool getDeletedEventReceived() const { return Fields.DeletedEventReceived; }
    void setDeletedEventReceived(bool received) { Fields.DeletedEventReceived = received; }

    // The consistency-check states; null when there is none. The record owns them: a setter
    // destroys the state it replaces.
    orbLogicalDiskConsistencyCheckStateBase* getCurrentCCState() { return CurrentCCState.get(); }
    const orbLogicalDiskConsistencyCheckStateBase* getCurrentCCState() const {
        return CurrentCCState.get();
    }
    void setCurrentCCState(std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> state) {
        CurrentCCState = std::move(state);
    }
    orbLogicalDiskConsistencyCheckStateBase* getPreviousCCState() { return PreviousCCState.get(); }
    const orbLogicalDiskConsistencyCheckStateBase* getPreviousCCState() const {
        return PreviousCCState.get();
    }
    void setPreviousCCState(std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> state) {
        PreviousCCState = std::move(state);
    }

    // Destroys both states and leaves none.
    void cleanExistingObjReferences();
    // Replaces both states with clones of the other record's (none where it has none).
    // Cloning a record's states into itself keeps them.
    void cloneConsistencyCheckState(const orbLogicalDiskInfo& other);

    // Same volume with the same description, members and status. What was last reported in
    // an event and the consistency-check progress are not compared.
    bool operator==(const orbLogicalDiskInfo& other) const;
    bool operator!=(const orbLogicalDiskInfo& other) const { return !(*this == other); }

  private:
    // The plain fields, copied as one.
    struct VolumeFields {
        std::string DurableName;
        std::string RAIDLevel;
        uint64_t CapacityBytes = 0;
        std::vector<std::string> PhysicalDisks;
        std::string Description;
        std::string LogicalDiskID;
        std::string EventInfoString;
        bool DeviceMissing = false;
        bool DeletedEventReceived = false;

        bool operator==(const VolumeFields& other) const;
    };

    VolumeFields Fields;
    std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> CurrentCCState;
    std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> PreviousCCState;
};
