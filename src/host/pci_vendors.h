#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The vendor list of the public PCI ID database (pci.ids), built into the library: vendor ID
// to the vendor's name exactly as the database writes it. The entries are generated at build
// time, sorted by ID, and never change while the service runs, so every thread may read them
// without a lock.
struct orbPCIVendorEntry {
    uint16_t id;
    const char* name;
};

extern const orbPCIVendorEntry orbPCIVendorEntries[];
extern const size_t orbPCIVendorEntryCount;

class orbPCIVendorTable {
  public:
    // The name of a vendor ID given as four hexadecimal digits without prefix ("10df"; upper
    // case is accepted too), or nullptr for an unknown ID or text of another form. Looking up
    // never adds an entry.
    const char* find(std::string_view vendorId) const;

    size_t size() const { return orbPCIVendorEntryCount; }
    const orbPCIVendorEntry* begin() const { return orbPCIVendorEntries; }
    const orbPCIVendorEntry* end() const { return orbPCIVendorEntries + orbPCIVendorEntryCount; }
};

inline constexpr orbPCIVendorTable orbPCIVendorsMap{};
