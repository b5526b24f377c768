#pragma once

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <vector>

#include "host/smbios.h"

// The loaded structure table, shared by every record walk of the process. The table does not
// change once loaded, so it is walked once, when it is loaded, into the list of its structures.

// Runs visit on the table's structures, in table order, under the table's lock, so that the
// table cannot be freed or replaced meanwhile. False (visit not run) when no table is loaded.
bool smbios_with_structures(
    const std::function<void(const std::vector<SMBIOS_STRUCTURE>& structures)>& visit);
