#pragma once

#include <memory>

// What a volume has learnt from the consistency check that is running on it, or that ran
// last. Each controller family that reports checks derives its own state; the volume record
// owns its states and copies them through clone() whenever the record is copied.
class orbLogicalDiskConsistencyCheckStateBase {
  public:
    virtual ~orbLogicalDiskConsistencyCheckStateBase() = default;
    virtual std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> clone() const = 0;

  protected:
    orbLogicalDiskConsistencyCheckStateBase() = default;
    orbLogicalDiskConsistencyCheckStateBase(const orbLogicalDiskConsistencyCheckStateBase&) =
        default;
    orbLogicalDiskConsistencyCheckStateBase& operator=(
        const orbLogicalDiskConsistencyCheckStateBase&) = default;
};
