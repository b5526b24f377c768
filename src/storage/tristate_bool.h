#pragma once

#include <cstdint>

// A flag that may not have been determined yet, kept in 32 bits.
enum TRISTATE_BOOL : int32_t {
    TRISTATE_UNDETERMINED = -1,
    TRISTATE_FALSE = 0,
    TRISTATE_TRUE = 1,
};
