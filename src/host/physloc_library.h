#pragma once

// What the service hands the platform's physical-location library. The library is a C library
// loaded at run time; it is asked for one code at a time:
//
//   physloc_request_storage_t storage = {0};
//   physloc_init_data(&storage.request, PHYSLOC_REQUEST_VERSION);
//   storage.request.type = ...; storage.request.geoid[...] = ...; storage.request.extra = ...;
//   physloc_encode(&storage.request, &code);     // 0: code holds the 64-bit location
//
// Only the values below are filled by the service; the library owns the meaning of the code.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The kind of unit a code is asked for (I/O slot, on-board network port, drive bay, ...).
typedef int32_t physloc_type_t;
// The library's result: 0 on success, any other value is the library's own error code.
typedef int32_t physloc_rtn_t;

#define PHYSLOC_REQUEST_VERSION 2
#define PHYSLOC_MAX_GEOID_NUMBERS 4

typedef struct physloc_request {
    uint32_t version;     // set by physloc_init_data
    physloc_type_t type;  // what the code is for
    uint8_t geoidCount;   // numbers used in geoid[]: 4 on ALPHA platforms, 3 on BRAVO/CHARLIE
    uint8_t geoid[PHYSLOC_MAX_GEOID_NUMBERS];  // the GeoID's numbers, slot number last
    uint8_t hasExtra;                          // 1 when extra holds a function, bay or box number
    uint8_t extra;
    uint8_t reserved[8];  // cleared by physloc_init_data
} physloc_request_t;

// The request as the library sees it is its own structure, of which the fields above are only
// the start: physloc_init_data clears all of it and physloc_encode reads all of it. A request
// of just these fields would let a library with a larger structure write past it into the
// caller's memory. Every request therefore lives in storage far larger than the library's
// structure needs, cleared and aligned for any member type.
#define PHYSLOC_REQUEST_STORAGE_SIZE 4096

typedef union physloc_request_storage {
    unsigned char bytes[PHYSLOC_REQUEST_STORAGE_SIZE];  // first, so that {0} clears them all
    physloc_request_t request;
    long double alignLongDouble;  // the members below align it as malloc would
    uint64_t alignInteger;
    void* alignPointer;
} physloc_request_storage_t;

typedef physloc_rtn_t (*physloc_init_data_fn)(physloc_request_t* request, int version);
typedef physloc_rtn_t (*physloc_encode_fn)(const physloc_request_t* request, uint64_t* code);

#define PHYSLOC_INIT_DATA_SYMBOL "physloc_init_data"
#define PHYSLOC_ENCODE_SYMBOL "physloc_encode"

#ifdef __cplusplus
}
#endif
