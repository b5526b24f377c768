// The physical-location library's replies: whatever the library leaves in the request and
// whatever results and code it returns, and whatever GeoID numbers and unit number the service
// hands it, the answer is a 16-digit code, and a library failure is reported as one.
//
// Input: the variant (CH or ZTRH) and the library's results and code, then the request bytes
// the library leaves behind, then "numbers|extra" with the numbers separated by dots.
#include <dlfcn.h>
#include <stdlib.h>

#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/physloc_library_interface.h"
#include "support/fuzz_input.h"

namespace {

using SetReply = void (*)(physloc_rtn_t, physloc_rtn_t, uint64_t, const uint8_t*, size_t);

const orbPhysLocVariant kVariants[2] = {
    {ORB_FUZZ_PHYSLOC_LIBRARY, 4, 3, 59, 69, 56, 64, {'u', 'p'}},
    {ORB_FUZZ_PHYSLOC_LIBRARY, 3, 3, 48, 61, 45, 53, {'i', 's'}},
};

struct Loaded {
    orbLibraryPhysLocInterface* interfaces[2];
    SetReply setReply;
};

const Loaded& loaded() {
    static const Loaded instance = [] {
        // The library path is used as it stands, not below a simulated root.
        unsetenv("ORB_ROOT");
        Loaded made{{new orbLibraryPhysLocInterface(kVariants[0]),
                     new orbLibraryPhysLocInterface(kVariants[1])},
                    nullptr};
        if (!made.interfaces[0]->Initialize() || !made.interfaces[1]->Initialize()) {
            std::fprintf(stderr, "cannot load %s\n", ORB_FUZZ_PHYSLOC_LIBRARY);
            abort();
        }
        made.setReply = reinterpret_cast<SetReply>(dlsym(RTLD_DEFAULT, "orb_fuzz_physloc_reply"));
        if (made.setReply == nullptr) {
            abort();
        }
        return made;
    }();
    return instance;
}

bool isCode(const std::string& text) {
    if (text.size() != 16) {
        return false;
    }
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Loaded& library = loaded();
    uint8_t which = orbFuzzTake<uint8_t>(data, size);
    physloc_rtn_t initResult = orbFuzzTake<physloc_rtn_t>(data, size);
    physloc_rtn_t encodeResult = orbFuzzTake<physloc_rtn_t>(data, size);
    uint64_t code = orbFuzzTake<uint64_t>(data, size);
    size_t requestBytes = orbFuzzTake<uint8_t>(data, size);
    requestBytes = requestBytes < size ? requestBytes : size;
    library.setReply(initResult, encodeResult, code, data, requestBytes);
    data += requestBytes;
    size -= requestBytes;

    std::string text(reinterpret_cast<const char*>(data), size);
    std::string extra = "NA";
    size_t bar = text.find('|');
    if (bar != std::string::npos) {
        extra = text.substr(bar + 1);
        text.erase(bar);
    }
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string::npos ? dot : dot - start));
        if (dot == std::string::npos) {
            break;
        }
        start = dot + 1;
    }

    physloc_rtn_t rc = 0;
    std::string answer =
        library.interfaces[which & 1]->physlocEncode("0000:3b:00.0", parts, which >> 1, &rc, extra);
    if (!isCode(answer)) {
        __builtin_trap();
    }
    char expected[17];
    std::snprintf(expected, sizeof(expected), "%016" PRIX64, code);
    // A failing library never yields a code, and a code is never made up.
    if (answer != ORB_UNKNOWN_PHYSICAL_LOCATION &&
        (initResult != 0 || encodeResult != 0 || answer != expected)) {
        __builtin_trap();
    }
    if (rc != 0 && rc != (initResult != 0 ? initResult : encodeResult)) {
        __builtin_trap();
    }
    return 0;
}
