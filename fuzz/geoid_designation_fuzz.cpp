// GeoIDs inside slot designations: the first byte picks the platform family, the rest is the
// designation text firmware wrote. The answer is "NotAvailable" or a GeoID of the family's
// form found in the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/utils.h"

namespace {

bool hasShape(const std::string& text, const char* shape) {
    if (text.size() != std::string(shape).size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == '#' ? !digit : text[i] != shape[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    static const char* const families[] = {"PLATFAM-ALPHA", "PLATFAM-BRAVO", "PLATFAM-CHARLIE", ""};
    static const char* const shapes[] = {"r###u##p#i##", "r###i##s##", "r###i##s##", nullptr};
    size_t which = data[0] % 4;
    std::string designation(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string geoID = orbUtils::geoIDInDesignation(designation, families[which]);
    if (geoID == "NotAvailable") {
        return 0;
    }
    if (shapes[which] == nullptr || !hasShape(geoID, shapes[which]) ||
        designation.find(geoID) == std::string::npos) {
        __builtin_trap();
    }
    return 0;
}
