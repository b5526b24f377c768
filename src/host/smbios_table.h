#pragma once

#include <stddef.h>
#include <stdint.h>

#include <functional>

// The loaded structure table, shared by every record walk of the process.

// Runs walk on the structure table under the table's lock, so that the table cannot be freed
// or replaced during the walk. False (walk not run) when no table is loaded.
bool smbios_with_table(const std::function<void(const uint8_t* table, size_t length)>& walk);
