#pragma once

#include <map>

#include "core/platform_part_numbers.h"

// The network adapters the inventory names: model and part number by the adapter's four PCI
// IDs (vendor, device, subsystem vendor, subsystem device). Part numbers differ by platform
// family, as each platform ships its own build of the adapter.
using NICPciIds = orbPciIds;
using NICModelInfo = orbPciModelInfo;

extern const std::map<NICPciIds, NICModelInfo> nicPciIdsModelNameMap;
