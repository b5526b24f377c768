#pragma once

#include <json/json.h>

// The root of every storage record. A record describes itself in two JSON shapes: its
// variable data, the payload of an event about it, and its inventory data, the fragment the
// inventory document is assembled from. Records are values; the base holds no data and only
// copies as part of a whole record, never on its own.
class orbInventoryBase {
  public:
    virtual Json::Value getVariableData() const = 0;
    virtual Json::Value getInventoryData() const = 0;
    virtual ~orbInventoryBase() = default;

  protected:
    orbInventoryBase() = default;
    orbInventoryBase(const orbInventoryBase&) = default;
    orbInventoryBase& operator=(const orbInventoryBase&) = default;
    orbInventoryBase(orbInventoryBase&&) = default;
    orbInventoryBase& operator=(orbInventoryBase&&) = default;
};
