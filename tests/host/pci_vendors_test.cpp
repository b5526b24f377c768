// The built-in vendor table against the PCI ID database it was generated from.
#include "host/pci_vendors.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
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
        {"0001", "SafeNet (wrong ID)"},
        {"1f3c", nullptr},  // not in the database: no entry, not an empty name
        {"0x10df", nullptr},
        {"10d", nullptr},
        {"", nullptr},
        {"10 f", nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(orbPCIVendorsMap.find(c.id), c.name) << c.id;  // null when not found
    }

    // Every vendor line of the database, verbatim, and no other entry.
    std::ifstream in("/usr/share/misc/pci.ids");
    ASSERT_TRUE(in) << "the pci.ids package is needed";
    std::map<unsigned, std::string> expected;
    const std::regex vendorLine("^([0-9a-fA-F]{4})  (.*[^ \t\r])[ \t\r]*$");
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
        if (std::regex_match(line, match, vendorLine)) {
            expected[std::stoul(match[1].str(), nullptr, 16)] = match[2].str();
        }
    }
    ASSERT_GT(expected.size(), 2000u);
    ASSERT_EQ(orbPCIVendorsMap.size(), expected.size());
    const orbPCIVendorEntry* previous = nullptr;
    for (const orbPCIVendorEntry& entry : orbPCIVendorsMap) {
        EXPECT_TRUE(previous == nullptr || previous->id < entry.id) << "sorted for the lookup";
        previous = &entry;
        auto found = expected.find(entry.id);
        ASSERT_NE(found, expected.end()) << entry.id;
        EXPECT_EQ(found->second, entry.name) << entry.id;
    }
    // The last entry is found too (the upper bound of the search).
    char id[8];
    snprintf(id, sizeof(id), "%04x", previous->id);
    EXPECT_STREQ(orbPCIVendorsMap.find(id), previous->name);
}

}  // namespace
