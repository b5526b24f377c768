#include "host/physloc_ztrh.h"

namespace {

constexpr const char* LIBRARY_FILE = "/opt/vex/orb/lib/libvexphysloc_ztrh.so";

// Constant-initialised, so it is ready before any static initialiser could ask for a location.
constexpr orbPhysLocVariant ZTRH_VARIANT = {
    LIBRARY_FILE,
    3,   // rNNNiNNsNN
    3,   // I/O slot
    48,  // network port on the system board
    61,  // external drive
    45,  // chassis drive bay
    53,  // storage backplane
    {'r', 'i'},
};

}  // namespace

const char* const orbZTRHPhysLocInterface::LIBRARY_PATH = LIBRARY_FILE;

orbZTRHPhysLocInterface::orbZTRHPhysLocInterface() : orbLibraryPhysLocInterface(ZTRH_VARIANT) {}

orbZTRHPhysLocInterface* __orbZTRHPhysLocInterface__getInstance() {
    // Created once under the initialisation guard; destroyed once, at process exit.
    static orbZTRHPhysLocInterface instance;
    return &instance;
}
