#pragma once

#include <map>
#include <string>
#include <tuple>

// The Fibre Channel adapters the inventory gives a part number: model and part number by the
// adapter's four PCI IDs (vendor, device, subsystem vendor, subsystem device). Part numbers
// differ by platform family, as each platform ships its own build of the adapter. The model
// the inventory shows stays the one the adapter's HBA API library reports.
using FCPciIds = std::tuple<unsigned, unsigned, unsigned, unsigned>;

struct FCModelInfo {
    const char* model;
    const char* partNumberAlpha;    // "PLATFAM-ALPHA"
    const char* partNumberBravo;    // "PLATFAM-BRAVO"
    const char* partNumberCharlie;  // "PLATFAM-CHARLIE"

    // The part number column of a platform family; nullptr for any other family.
    const char* partNumberFor(const std::string& platformFamily) const;
};

extern const std::map<FCPciIds, FCModelInfo> fcPciIdsModelNameMap;
