// A physical-location library whose replies the physloc_reply fuzz target sets: what
// physloc_init_data leaves in the request, and the results and code the two calls return.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "host/physloc_library.h"

#define PHYSLOC_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Reply {
    physloc_rtn_t initResult = 0;
    physloc_rtn_t encodeResult = 0;
    uint64_t code = 0;
    unsigned char request[sizeof(physloc_request_t)] = {};
    size_t requestBytes = 0;
} reply;

}  // namespace

PHYSLOC_EXPORT void orb_fuzz_physloc_reply(physloc_rtn_t initResult, physloc_rtn_t encodeResult,
                                           uint64_t code, const uint8_t* request, size_t size) {
    reply.initResult = initResult;
    reply.encodeResult = encodeResult;
    reply.code = code;
    reply.requestBytes = size < sizeof(reply.request) ? size : sizeof(reply.request);
    std::memcpy(reply.request, request, reply.requestBytes);
}

PHYSLOC_EXPORT physloc_rtn_t physloc_init_data(physloc_request_t* request, int) {
    // The request's layout beyond the service's fields is the library's own: it may leave
    // anything there.
    std::memset(request, 0, sizeof(*request));
    std::memcpy(request, reply.request, reply.requestBytes);
    return reply.initResult;
}

PHYSLOC_EXPORT physloc_rtn_t physloc_encode(const physloc_request_t*, uint64_t* code) {
    *code = reply.code;
    return reply.encodeResult;
}
