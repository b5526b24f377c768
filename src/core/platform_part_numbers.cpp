#include "core/platform_part_numbers.h"

const char* orbPlatformPartNumbers::forFamily(const std::string& platformFamily) const {
    if (platformFamily == "PLATFAM-ALPHA") {
        return alpha;
    }
    if (platformFamily == "PLATFAM-BRAVO") {
        return bravo;
    }
    if (platformFamily == "PLATFAM-CHARLIE") {
        return charlie;
    }
    return nullptr;
}
