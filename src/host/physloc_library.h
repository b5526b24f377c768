#pragma once

// What the service hands the platform's physical-location library. The library is a C library
// loaded at run time; it is asked for one code at a time:
//
//   physloc_request_t request;
//   physloc_init_data(&request, PHYSLOC_REQUEST_VERSION);
//   request.type = ...; request.geoid[...] = ...; request.extra = ...;
//   physloc_encode(&request, &code);     // 0: code holds the 64-bit location
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

typedef physloc_rtn_t (*physloc_init_data_fn)(physloc_request_t* request, int version);
typedef physloc_rtn_t (*physloc_encode_fn)(const physloc_request_t* request, uint64_t* code);

#define PHYSLOC_INIT_DATA_SYMBOL "physloc_init_data"
#define PHYSLOC_ENCODE_SYMBOL "physloc_encode"

#ifdef __cplusplus
}
#endif
