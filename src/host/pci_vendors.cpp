#include "host/pci_vendors.h"

#include <algorithm>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

const char* orbPCIVendorTable::find(std::string_view vendorId) const {
    if (vendorId.size() != 4) {
        return nullptr;
    }
    unsigned id = 0;
    for (char c : vendorId) {
        int digit = hexValue(c);
        if (digit < 0) {
            return nullptr;
        }
        id = id * 16 + static_cast<unsigned>(digit);
    }
    const orbPCIVendorEntry* found = std::lower_bound(
        begin(), end(), id,
        [](const orbPCIVendorEntry& entry, unsigned key) { return entry.id < key; });
    if (found == end() || found->id != id) {
        return nullptr;
    }
    return found->name;
}
