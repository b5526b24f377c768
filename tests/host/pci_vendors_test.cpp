// The built-in vendor table against the PCI ID database it was generated from.
#include "host/pci_vendors.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace {

TEST(PCIVendors, TableHoldsEveryVendorLineOfTheDatabaseVerbatim) {
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
    unsigned previous = 0;
    bool first = true;
    for (const orbPCIVendorEntry& entry : orbPCIVendorsMap) {
        if (!first) {
            EXPECT_LT(previous, entry.id) << "entries must be sorted for the lookup";
        }
        first = false;
        previous = entry.id;
        auto found = expected.find(entry.id);
        ASSERT_NE(found, expected.end()) << entry.id;
        EXPECT_EQ(found->second, entry.name) << entry.id;
    }
}

TEST(PCIVendors, LookupByFourHexDigits) {
    struct Case {
        const char* id;
        const char* name;  // nullptr: not found
    };
    const Case cases[] = {
        {"8086", "Intel Corporation"},
        {"10df", "Emulex Corporation"},
        {"10DF", "Emulex Corporation"},
        {"1077", "QLogic Corp."},
        {"15cf", "Hilscher Gesellschaft f\xc3\xbcr Systemautomation mbH"},
        {"0001", "SafeNet (wrong ID)"},
        {"1f3c", nullptr},  // not in the database
        {"0x10df", nullptr},
        {"10d", nullptr},
        {"", nullptr},
        {"10 f", nullptr},
    };
    for (const Case& c : cases) {
        const char* name = orbPCIVendorsMap.find(c.id);
        if (c.name == nullptr) {
            EXPECT_EQ(name, nullptr) << c.id;
        } else {
            ASSERT_NE(name, nullptr) << c.id;
            EXPECT_STREQ(name, c.name) << c.id;
        }
    }
    // The first and the last entry are found too (the bounds of the search).
    const orbPCIVendorEntry& last = *(orbPCIVendorsMap.end() - 1);
    char id[8];
    snprintf(id, sizeof(id), "%04x", last.id);
    EXPECT_STREQ(orbPCIVendorsMap.find(id), last.name);
}

}  // namespace
