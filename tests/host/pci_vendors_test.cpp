#include "host/pci_vendors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(PCIVendors, LookupByFourHexDigitsFindsTheDatabaseNameVerbatim) {
    struct Case {
        const char* id;
        const char* name;  // nullptr: not found
    };
    const Case cases[] = {
        {"10df", "Emulex Corporation"},
        {"10DF", "Emulex Corporation"},
        {"15cf", "Hilscher Gesellschaft f\xc3\xbcr Systemautomation mbH"},
        {"1f3c", nullptr},  // not in the database: no entry, not an empty name
        {"0x10df", nullptr},
        {"", nullptr},
        {"10 f", nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(orbPCIVendorsMap.find(c.id), c.name) << c.id;  // null when not found
    }

    // Sorted, for the lookup's binary search.
    const orbPCIVendorEntry* previous = nullptr;
    for (const orbPCIVendorEntry& entry : orbPCIVendorsMap) {
        EXPECT_TRUE(previous == nullptr || previous->id < entry.id) << entry.id;
        previous = &entry;
    }
    ASSERT_NE(previous, nullptr);
    // The last entry is found too (the upper bound of the search).
    char id[8];
    snprintf(id, sizeof(id), "%04x", previous->id);
    EXPECT_STREQ(orbPCIVendorsMap.find(id), previous->name);
}

}  // namespace
