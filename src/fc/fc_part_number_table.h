#pragma once

#include <map>

#include "core/platform_part_numbers.h"

// The Fibre Channel adapters the inventory gives a part number: model and part number by the
// adapter's four PCI IDs (vendor, device, subsystem vendor, subsystem device). Part numbers
// differ by platform family, as each platform ships its own build of the adapter. The model
// the inventory shows stays the one the adapter's HBA API library reports.
using FCPciIds = orbPciIds;
using FCModelInfo = orbPciModelInfo;

extern const std::map<FCPciIds, FCModelInfo> fcPciIdsModelNameMap;
