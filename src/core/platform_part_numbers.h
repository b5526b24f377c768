#pragma once

#include <string>
#include <tuple>

// The part numbers of one device, one per platform family: each platform ships its own build
// of the device and orders it under a number of its own.
struct orbPlatformPartNumbers {
    const char* alpha;    // "PLATFAM-ALPHA"
    const char* bravo;    // "PLATFAM-BRAVO"
    const char* charlie;  // "PLATFAM-CHARLIE"

    // The part number of this platform family; nullptr for any other family.
    const char* forFamily(const std::string& platformFamily) const;
};

// A device model by its four PCI IDs (vendor, device, subsystem vendor, subsystem device).
using orbPciIds = std::tuple<unsigned, unsigned, unsigned, unsigned>;

struct orbPciModelInfo {
    const char* model;
    orbPlatformPartNumbers partNumbers;
};
