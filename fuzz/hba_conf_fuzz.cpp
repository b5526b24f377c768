// The HBA loader's configuration file: whatever it holds, every accepted library has a name of
// 1 to 63 characters and a path of 1 to 255 file-name characters, and no more than asked for.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fc/hba_conf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const orbHbaConfEntry& entry : orbParseHbaConf(text, 32)) {
        if (entry.name.empty() || entry.name.size() > 63 || entry.path.empty() ||
            entry.path.size() > 255 ||
            entry.path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                         "0123456789_-./") != std::string_view::npos) {
            __builtin_trap();
        }
    }
    if (orbParseHbaConf(text, 2).size() > 2) {
        __builtin_trap();
    }
    return 0;
}
