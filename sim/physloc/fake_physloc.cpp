// Stands in for the platform's physical-location library on a simulated host. The code it
// answers is built from the request alone, so every unit has its own code and a test can read
// the request back out of it:
//
//   bits 63-56  location type        bits 23-16  number of GeoID numbers
//   bits 55-24  the GeoID numbers    bits 15-8   the extra number (0xFF when none)
//               (first one highest)  bits 7-0    1 when an extra number was given
//
// ORB_SIM_PHYSLOC_ENCODE_RESULT=<n> makes every encode fail with result n, as the real
// library does for a unit it cannot place. Built with ORB_SIM_PHYSLOC_WITHOUT_ENCODE the
// library lacks its encode entry point, like a library of the wrong version.
#include <cstdlib>
#include <cstring>

#include "host/physloc_library.h"

#define PHYSLOC_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Result codes of this stand-in.
const physloc_rtn_t BAD_ARGUMENT = 1;
const physloc_rtn_t BAD_VERSION = 2;
[[maybe_unused]] const physloc_rtn_t BAD_GEOID = 3;
[[maybe_unused]] const physloc_rtn_t BAD_TYPE = 4;
}  // namespace

PHYSLOC_EXPORT physloc_rtn_t physloc_init_data(physloc_request_t* request, int version) {
    if (request == nullptr) {
        return BAD_ARGUMENT;
    }
    std::memset(request, 0, sizeof(*request));
    if (version != PHYSLOC_REQUEST_VERSION) {
        return BAD_VERSION;
    }
    request->version = static_cast<uint32_t>(version);
    return 0;
}

#ifndef ORB_SIM_PHYSLOC_WITHOUT_ENCODE
namespace {

bool knownType(physloc_type_t type) {
    switch (type) {
        case 3:  // I/O slot
        case 59:
        case 69:
        case 56:
        case 64:  // CH units
        case 48:
        case 61:
        case 45:
        case 53:  // ZTRH units
            return true;
        default:
            return false;
    }
}

}  // namespace

PHYSLOC_EXPORT physloc_rtn_t physloc_encode(const physloc_request_t* request, uint64_t* code) {
    if (request == nullptr || code == nullptr) {
        return BAD_ARGUMENT;
    }
    if (request->version != PHYSLOC_REQUEST_VERSION) {
        return BAD_VERSION;
    }
    if (request->geoidCount < 3 || request->geoidCount > PHYSLOC_MAX_GEOID_NUMBERS) {
        return BAD_GEOID;
    }
    if (!knownType(request->type)) {
        return BAD_TYPE;
    }
    const char* forced = std::getenv("ORB_SIM_PHYSLOC_ENCODE_RESULT");
    if (forced != nullptr && *forced != '\0') {
        physloc_rtn_t result = static_cast<physloc_rtn_t>(std::atoi(forced));
        if (result != 0) {
            return result;
        }
    }
    uint64_t value = static_cast<uint64_t>(request->type & 0xff) << 56;
    for (int i = 0; i < request->geoidCount; ++i) {
        value |= static_cast<uint64_t>(request->geoid[i]) << (48 - 8 * i);
    }
    value |= static_cast<uint64_t>(request->geoidCount) << 16;
    value |= static_cast<uint64_t>(request->hasExtra ? request->extra : 0xff) << 8;
    value |= request->hasExtra ? 1 : 0;
    *code = value;
    return 0;
}
#endif
