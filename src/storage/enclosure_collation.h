#pragma once

#include <string>
#include <vector>

#include "storage/enclosure_info.h"

// A backplane cabled to several controllers is reported by each of them; the inventory lists
// it once. Enclosures are collated in the order reported: each is merged into the first
// collated one that is the same enclosure, else it is listed as a new one.
//
// Two enclosures are the same enclosure when, tried in this order:
//   1. both have the same non-empty serial number;
//   2. both have the same determined box number;
//   3. both have the same non-empty part number.
// Two different non-empty serial numbers, or two different determined box numbers, are never
// the same enclosure, whatever else they share; an empty or undetermined key matches nothing.
//
// Box numbers. Only the SFF drive cages of the chassis have one: a backplane whose model
// names "8 SFF" and that reports 8 bays, or names "2 SFF" and reports 2 bays. Its box number
// is the one its controller reported, when positive; else the number after "Box" in the
// model ("8 SFF Box 2 backplane" is box 2). Any other enclosure has no box number.
//
// A merged enclosure keeps the first report's fields, fills its empty texts from the later
// ones, adds up the segments, keeps the larger bay count and takes the worse health (with
// its state). A chassis-internal backplane with a box number gets the physical location of
// that box at its controller's PCI address.
std::vector<orbStorageEnclosureInfo> orbCollateStorageEnclosures(
    const std::vector<orbStorageEnclosureInfo>& reported);

// The box number of an enclosure by the rule above; -1 when it has none.
int orbStorageEnclosureBoxNumber(const orbStorageEnclosureInfo& enclosure);
