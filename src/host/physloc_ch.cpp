#include "host/physloc_ch.h"

namespace {

constexpr const char* LIBRARY_FILE = "/opt/vex/orb/lib/libvexphysloc_ch.so";

// Constant-initialised, so it is ready before any static initialiser could ask for a location.
constexpr orbPhysLocVariant CH_VARIANT = {
    LIBRARY_FILE,
    4,   // rNNNuNNpNiNN
    3,   // I/O slot
    59,  // network port on the system board
    69,  // external drive
    56,  // chassis drive bay
    64,  // storage backplane
    {'r', 'u'},
};

}  // namespace

const char* const orbCHPhysLocInterface::LIBRARY_PATH = LIBRARY_FILE;

orbCHPhysLocInterface::orbCHPhysLocInterface() : orbLibraryPhysLocInterface(CH_VARIANT) {}

orbCHPhysLocInterface* __orbCHPhysLocInterface__getInstance() {
    // Created once under the initialisation guard; destroyed once, at process exit.
    static orbCHPhysLocInterface instance;
    return &instance;
}
