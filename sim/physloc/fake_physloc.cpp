// Stands in for the platform's physical-location library on a simulated host. The code it
// answers is built from the request alone, so every unit has its own code and a test can read
// the request back out of it:
//
//   bits 63-56  location type        bits 23-16  number of GeoID numbers
//   bits 55-24  the GeoID numbers    bits 15-8   the extra number (0xFF when none)
//               (first one highest)  bits 7-0    1 when an extra number was given
//
// Like the platform's library, it keeps state of its own after the fields the service fills:
// its request structure is larger than the service's view of it, physloc_init_data clears all
// of it and physloc_encode refuses a request whose private part was not set up or was
// overwritten. A caller that passes only its own fields is caught writing past them.
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

const uint32_t SET_UP = 0x504C4942;  // "PLIB"

// The library's own request: the service's fields, then the library's private state.
struct LibraryRequest {
    physloc_request_t visible;
    uint8_t scratch[2040];
    uint32_t setUp;
};
static_assert(sizeof(LibraryRequest) > sizeof(physloc_request_t) &&
                  sizeof(LibraryRequest) <= PHYSLOC_REQUEST_STORAGE_SIZE,
              "the stand-in's request must need more room than the service's fields");

}  // namespace

PHYSLOC_EXPORT physloc_rtn_t physloc_init_data(physloc_request_t* request, int version) {
    if (request == nullptr) {
        return BAD_ARGUMENT;
    }
    auto* own = reinterpret_cast<LibraryRequest*>(request);
    std::memset(own, 0, sizeof(*own));
    if (version != PHYSLOC_REQUEST_VERSION) {
        return BAD_VERSION;
    }
    own->visible.version = static_cast<uint32_t>(version);
    own->setUp = SET_UP;
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
    const auto* own = reinterpret_cast<const LibraryRequest*>(request);
    if (own->setUp != SET_UP) {
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
