#include "fc/hba_vendor_library.h"

#include <dlfcn.h>

#include <string>

#include "core/log.h"
#include "core/platform_path.h"

namespace orbHbaVendorLibrary {

void* open(const char* fixedPath) {
    std::string path = orbRootPath(fixedPath);
    dlerror();
    void* library = dlopen(path.c_str(), RTLD_LAZY);
    if (library == nullptr) {
        const char* reason = dlerror();
        ORB_LOG_ERROR("HBA_API", "Failed to load HBA library [%s]: (%s)", path.c_str(),
                      reason != nullptr ? reason : "unknown error");
    }
    return library;
}

void* symbol(void* library, const char* name) {
    dlerror();
    return dlsym(library, name);
}

void close(void* library) {
    if (library != nullptr) {
        dlclose(library);
    }
}

}  // namespace orbHbaVendorLibrary
