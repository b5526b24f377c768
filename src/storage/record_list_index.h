#pragma once

#include <cstddef>

// Lists inside records (a controller's ports, a volume's member drives) are reached by index
// from controller code that counts entries on its own. An index at or past the end is a
// caller's mistake that must not read or write past the list: this tells whether the index is
// usable and logs the refusal ("STOR_REC") when it is not.
bool orbIsRecordListIndexValid(size_t index, size_t size, const char* operation);
