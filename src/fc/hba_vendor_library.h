#pragma once

// How the HBA loader reaches a vendor library: open a file by its fixed absolute path (resolved
// through the root prefix), look up one symbol, close it. Nothing else of the dynamic loader is
// used.
namespace orbHbaVendorLibrary {

// The loader handle, or null when the file is missing or is not a loadable library.
void* open(const char* fixedPath);
void* symbol(void* library, const char* name);
void close(void* library);

}  // namespace orbHbaVendorLibrary
