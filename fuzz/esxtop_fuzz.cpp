// The esxtop sample reader: any bytes, never a read outside them.
#include <cstddef>
#include <cstdint>

#include "host/esxtop_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orbEsxtopMemory memory;
    orbParseEsxtopMemory(reinterpret_cast<const char*>(data), size, memory);
    return 0;
}
