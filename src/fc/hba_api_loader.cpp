// The loader behind the HBA_ functions: every vendor library listed in hba.conf registers its
// table of entry points, the adapters of all libraries form one list, and each call made through
// a handle goes to the library that owns the adapter. Used from the FC manager's thread only.
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <type_traits>

#include "core/log.h"
#include "core/platform_path.h"
#include "fc/hba_api.h"
#include "fc/hba_conf.h"
#include "fc/hba_vendor_library.h"

namespace {

constexpr const char* TAG = "HBA_API";
constexpr const char* kConfigurationFile = "/etc/config/vex/orb/hba.conf";
constexpr size_t kMaxLibraries = 32;
constexpr size_t kMaxAdapters = 64;
constexpr size_t kNameSize = 256;
constexpr size_t kMaxConfigurationBytes = 64 * 1024;

enum LibraryStatus { NotLoaded = 0, Loaded = 1, FailedOrFreed = 2 };

struct LibrarySlot {
    char name[64];
    char path[256];
    void* library;
    HBA_ENTRYPOINTS entryPoints;
    int status;
    HBA_HANDLE vendorHandle;  // the adapter last opened through this library, 0 when none
};

struct AdapterSlot {
    char name[kNameSize];
    HBA_UINT32 library;
};

struct LoaderTables {
    LibrarySlot libraries[kMaxLibraries];
    size_t librariesUsed;
    AdapterSlot adapters[kMaxAdapters];
    HBA_UINT32 numberOfTotalAdapters;
};

LoaderTables& tables() {
    static LoaderTables loader{};
    return loader;
}

// Copies a name into a buffer of kNameSize bytes: never more, always terminated.
void copyName(char* to, const char* from) {
    size_t length = strnlen(from, kNameSize - 1);
    std::memcpy(to, from, length);
    to[length] = '\0';
}

void closeSlot(LibrarySlot& slot) {
    orbHbaVendorLibrary::close(slot.library);
    slot.library = nullptr;
    slot.entryPoints = HBA_ENTRYPOINTS{};
    slot.vendorHandle = 0;
    slot.status = FailedOrFreed;
}

// Registers the library and asks it to start; the slot is left loaded or failed and closed.
void registerLibrary(LibrarySlot& slot) {
    auto registration = reinterpret_cast<HBARegisterLibraryFunc>(
        orbHbaVendorLibrary::symbol(slot.library, HBA_REGISTER_LIBRARY_SYMBOL));
    if (registration == nullptr) {
        ORB_LOG_ERROR(TAG, "HBA library [%s] has no %s", slot.path, HBA_REGISTER_LIBRARY_SYMBOL);
        closeSlot(slot);
        return;
    }
    HBA_ENTRYPOINTS& entries = slot.entryPoints;
    // Without a version or a start entry the library cannot be told apart from a broken one.
    if (registration(&entries) != HBA_STATUS_OK || entries.GetVersionHandler == nullptr ||
        entries.GetVersionHandler() == 0 || entries.LoadLibraryHandler == nullptr ||
        entries.LoadLibraryHandler() != HBA_STATUS_OK) {
        ORB_LOG_ERROR(TAG, "HBA library [%s] did not register", slot.path);
        closeSlot(slot);
        return;
    }
    slot.status = Loaded;
}

bool readConfiguration(std::string& text) {
    std::ifstream file(orbRootPath(kConfigurationFile), std::ios::binary);
    if (!file) {
        return false;
    }
    text.resize(kMaxConfigurationBytes);
    file.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(file.gcount()));
    return true;
}

void freeLibraries(HBA_STATUS& last) {
    LoaderTables& loader = tables();
    for (size_t i = 0; i < loader.librariesUsed; ++i) {
        LibrarySlot& slot = loader.libraries[i];
        if (slot.status == Loaded && slot.entryPoints.FreeLibraryHandler != nullptr) {
            try {
                last = slot.entryPoints.FreeLibraryHandler();
            } catch (...) {
                last = HBA_STATUS_ERROR;
            }
        }
        // A load cut short may have left a library open before it was registered.
        if (slot.library != nullptr) {
            closeSlot(slot);
        }
    }
    // Nothing may reach a library once it is closed: the adapters vanish with it.
    loader = LoaderTables{};
}

// The slot a handle belongs to, when it names the adapter now open through a loaded library.
HBA_STATUS checkHandle(HBA_HANDLE handle, LibrarySlot*& slot) {
    HBA_UINT32 index = 0;
    HBA_HANDLE vendorHandle = 0;
    HBA_STATUS status = HBA_CheckLibrary(handle, &index, &vendorHandle);
    if (status == HBA_STATUS_OK) {
        slot = &tables().libraries[index];
    }
    return status;
}

HBA_UINT32 listAdapters() {
    LoaderTables& loader = tables();
    loader.numberOfTotalAdapters = 0;
    for (size_t i = 0; i < loader.librariesUsed; ++i) {
        const LibrarySlot& slot = loader.libraries[i];
        const HBA_ENTRYPOINTS& entries = slot.entryPoints;
        if (slot.status != Loaded || entries.GetNumberOfAdaptersHandler == nullptr ||
            entries.GetAdapterNameHandler == nullptr) {
            continue;
        }
        // A vendor's count is not trusted further than the table reaches.
        HBA_UINT32 count = entries.GetNumberOfAdaptersHandler();
        for (HBA_UINT32 j = 0; j < count && j < kMaxAdapters; ++j) {
            if (loader.numberOfTotalAdapters >= kMaxAdapters) {
                return loader.numberOfTotalAdapters;
            }
            char name[kNameSize] = {};
            if (entries.GetAdapterNameHandler(j, name) != HBA_STATUS_OK) {
                continue;
            }
            name[kNameSize - 1] = '\0';
            AdapterSlot& adapter = loader.adapters[loader.numberOfTotalAdapters++];
            copyName(adapter.name, name);
            adapter.library = static_cast<HBA_UINT32>(i);
        }
    }
    return loader.numberOfTotalAdapters;
}

HBA_HANDLE openAdapter(const char* adapterName) {
    LoaderTables& loader = tables();
    if (adapterName == nullptr) {
        return 0;
    }
    for (HBA_UINT32 i = 0; i < loader.numberOfTotalAdapters; ++i) {
        const AdapterSlot& adapter = loader.adapters[i];
        if (std::strncmp(adapter.name, adapterName, kNameSize) != 0) {
            continue;
        }
        LibrarySlot& slot = loader.libraries[adapter.library];
        if (slot.status != Loaded || slot.entryPoints.OpenAdapterHandler == nullptr) {
            return 0;
        }
        // The vendor may keep the name it is given; it gets a terminated copy of its own.
        char name[kNameSize] = {};
        copyName(name, adapter.name);
        HBA_HANDLE vendorHandle = slot.entryPoints.OpenAdapterHandler(name);
        HBA_HANDLE handle = (adapter.library << 16) | (vendorHandle & 0xFFFFu);
        if (vendorHandle == 0 || handle == 0) {
            // A handle of 0 reads as "not opened", so such an adapter cannot be offered.
            if (vendorHandle != 0 && slot.entryPoints.CloseAdapterHandler != nullptr) {
                slot.entryPoints.CloseAdapterHandler(vendorHandle);
            }
            return 0;
        }
        slot.vendorHandle = vendorHandle;
        return handle;
    }
    return 0;
}

HBA_STATUS closeAdapter(HBA_HANDLE handle) {
    LibrarySlot* slot = nullptr;
    HBA_STATUS status = checkHandle(handle, slot);
    if (status != HBA_STATUS_OK) {
        return status;
    }
    HBA_HANDLE vendorHandle = slot->vendorHandle;
    slot->vendorHandle = 0;
    if (slot->entryPoints.CloseAdapterHandler == nullptr) {
        return HBA_STATUS_ERROR_NOT_SUPPORTED;
    }
    slot->entryPoints.CloseAdapterHandler(vendorHandle);
    return HBA_STATUS_OK;
}

// Every call made through a handle: decode it, refuse when the library has no entry for the
// call, else call the vendor with its own handle. Entries the vendors declare without a result
// answer whether they were reached.
template <typename Entry, typename... Args>
HBA_STATUS forward(HBA_HANDLE handle, Entry HBA_ENTRYPOINTS::*entry, Args... args) {
    LibrarySlot* slot = nullptr;
    HBA_STATUS status = checkHandle(handle, slot);
    if (status != HBA_STATUS_OK) {
        return status;
    }
    Entry function = slot->entryPoints.*entry;
    if (function == nullptr) {
        return HBA_STATUS_ERROR_NOT_SUPPORTED;
    }
    try {
        if constexpr (std::is_void_v<decltype(function(slot->vendorHandle, args...))>) {
            function(slot->vendorHandle, args...);
            return HBA_STATUS_OK;
        } else {
            return function(slot->vendorHandle, args...);
        }
    } catch (...) {
        return HBA_STATUS_ERROR;
    }
}

}  // namespace

extern "C" {

HBA_UINT32 HBA_GetVersion(void) {
    return HBA_VERSION;
}

HBA_STATUS HBA_LoadLibrary(void) {
    try {
        // Loading again starts over, so no library stays open twice.
        HBA_STATUS ignored = HBA_STATUS_OK;
        freeLibraries(ignored);
        std::string text;
        if (!readConfiguration(text)) {
            ORB_LOG_ERROR(TAG, "Cannot open %s", kConfigurationFile);
            return HBA_STATUS_ERROR;
        }
        LoaderTables& loader = tables();
        for (const orbHbaConfEntry& entry : orbParseHbaConf(text, kMaxLibraries)) {
            LibrarySlot& slot = loader.libraries[loader.librariesUsed++];
            std::strncpy(slot.name, entry.name.c_str(), sizeof(slot.name) - 1);
            std::strncpy(slot.path, entry.path.c_str(), sizeof(slot.path) - 1);
            slot.library = orbHbaVendorLibrary::open(slot.path);
            if (slot.library != nullptr) {
                registerLibrary(slot);
            }
        }
        return HBA_STATUS_OK;
    } catch (...) {
        HBA_STATUS ignored = HBA_STATUS_OK;
        freeLibraries(ignored);
        return HBA_STATUS_ERROR;
    }
}

HBA_STATUS HBA_FreeLibrary(void) {
    HBA_STATUS last = HBA_STATUS_OK;
    freeLibraries(last);
    return last;
}

HBA_STATUS HBA_GetAdapterName(HBA_UINT32 adapterIndex, char* adapterName) {
    const LoaderTables& loader = tables();
    if (adapterIndex >= loader.numberOfTotalAdapters) {
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    }
    if (adapterName == nullptr) {
        return HBA_STATUS_ERROR_ARG;
    }
    copyName(adapterName, loader.adapters[adapterIndex].name);
    return HBA_STATUS_OK;
}

HBA_STATUS HBA_GetLibraryPath(HBA_UINT32 adapterIndex, char* libraryPath, HBA_HANDLE* vendorHandle,
                              void** libraryHandle) {
    const LoaderTables& loader = tables();
    if (adapterIndex >= loader.numberOfTotalAdapters) {
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    }
    const LibrarySlot& slot = loader.libraries[loader.adapters[adapterIndex].library];
    if (libraryPath != nullptr) {
        copyName(libraryPath, slot.path);
    }
    if (vendorHandle != nullptr) {
        *vendorHandle = slot.vendorHandle;
    }
    if (libraryHandle != nullptr) {
        *libraryHandle = slot.library;
    }
    return HBA_STATUS_OK;
}

HBA_STATUS HBA_CheckLibrary(HBA_HANDLE handle, HBA_UINT32* libraryIndex, HBA_HANDLE* vendorHandle) {
    HBA_UINT32 index = handle >> 16;
    if (index >= kMaxLibraries) {
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    }
    const LibrarySlot& slot = tables().libraries[index];
    if (slot.status != Loaded) {
        return HBA_STATUS_ERROR;
    }
    // A handle of an adapter closed since, or of another adapter of the same library, would
    // reach the adapter open now.
    if (slot.vendorHandle == 0 || (slot.vendorHandle & 0xFFFFu) != (handle & 0xFFFFu)) {
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    }
    if (libraryIndex != nullptr) {
        *libraryIndex = index;
    }
    if (vendorHandle != nullptr) {
        *vendorHandle = slot.vendorHandle;
    }
    return HBA_STATUS_OK;
}

HBA_UINT32 HBA_GetNumberOfAdapters(void) {
    try {
        return listAdapters();
    } catch (...) {
        tables().numberOfTotalAdapters = 0;
        return 0;
    }
}

HBA_HANDLE HBA_OpenAdapter(char* adapterName) {
    try {
        return openAdapter(adapterName);
    } catch (...) {
        return 0;
    }
}

HBA_STATUS HBA_CloseAdapter(HBA_HANDLE handle) {
    try {
        return closeAdapter(handle);
    } catch (...) {
        return HBA_STATUS_ERROR;
    }
}

HBA_STATUS HBA_GetAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes) {
    return forward(handle, &HBA_ENTRYPOINTS::GetAdapterAttributesHandler, attributes);
}

HBA_STATUS HBA_GetAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                        HBA_PORTATTRIBUTES* attributes) {
    return forward(handle, &HBA_ENTRYPOINTS::GetAdapterPortAttributesHandler, portIndex,
                   attributes);
}

HBA_STATUS HBA_GetPortStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                 HBA_PORTSTATISTICS* statistics) {
    return forward(handle, &HBA_ENTRYPOINTS::GetPortStatisticsHandler, portIndex, statistics);
}

HBA_STATUS HBA_GetDiscoveredPortAttributes(HBA_HANDLE handle, HBA_UINT32 portIndex,
                                           HBA_UINT32 discoveredPortIndex,
                                           HBA_PORTATTRIBUTES* attributes) {
    return forward(handle, &HBA_ENTRYPOINTS::GetDiscoveredPortAttributesHandler, portIndex,
                   discoveredPortIndex, attributes);
}

HBA_STATUS HBA_GetPortAttributesByWWN(HBA_HANDLE handle, HBA_WWN portWWN,
                                      HBA_PORTATTRIBUTES* attributes) {
    return forward(handle, &HBA_ENTRYPOINTS::GetPortAttributesByWWNHandler, portWWN, attributes);
}

HBA_STATUS HBA_SendCTPassThru(HBA_HANDLE handle, void* request, HBA_UINT32 requestSize,
                              void* response, HBA_UINT32 responseSize) {
    return forward(handle, &HBA_ENTRYPOINTS::SendCTPassThruHandler, request, requestSize, response,
                   responseSize);
}

HBA_STATUS HBA_GetEventBuffer(HBA_HANDLE handle, HBA_EVENTINFO* events, HBA_UINT32* count) {
    return forward(handle, &HBA_ENTRYPOINTS::GetEventBufferHandler, events, count);
}

HBA_STATUS HBA_SetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO* info) {
    return forward(handle, &HBA_ENTRYPOINTS::SetRNIDMgmtInfoHandler, info);
}

HBA_STATUS HBA_GetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO* info) {
    return forward(handle, &HBA_ENTRYPOINTS::GetRNIDMgmtInfoHandler, info);
}

HBA_STATUS HBA_SendRNID(HBA_HANDLE handle, HBA_WWN wwn, HBA_UINT32 wwnType, void* response,
                        HBA_UINT32* responseSize) {
    return forward(handle, &HBA_ENTRYPOINTS::SendRNIDHandler, wwn, wwnType, response, responseSize);
}

HBA_STATUS HBA_RefreshInformation(HBA_HANDLE handle) {
    return forward(handle, &HBA_ENTRYPOINTS::RefreshInformationHandler);
}

HBA_STATUS HBA_ResetStatistics(HBA_HANDLE handle, HBA_UINT32 portIndex) {
    return forward(handle, &HBA_ENTRYPOINTS::ResetStatisticsHandler, portIndex);
}

HBA_STATUS HBA_GetFcpTargetMapping(HBA_HANDLE handle, HBA_FCPTARGETMAPPING* mapping) {
    return forward(handle, &HBA_ENTRYPOINTS::GetFcpTargetMappingHandler, mapping);
}

HBA_STATUS HBA_GetFcpPersistentBinding(HBA_HANDLE handle, HBA_FCPBINDING* binding) {
    return forward(handle, &HBA_ENTRYPOINTS::GetFcpPersistentBindingHandler, binding);
}

HBA_STATUS HBA_SendScsiInquiry(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 fcLun, HBA_UINT8 evpd,
                               HBA_UINT32 pageCode, void* response, HBA_UINT32 responseSize,
                               void* sense, HBA_UINT32 senseSize) {
    return forward(handle, &HBA_ENTRYPOINTS::ScsiInquiryHandler, portWWN, fcLun, evpd, pageCode,
                   response, responseSize, sense, senseSize);
}

HBA_STATUS HBA_SendReportLUNs(HBA_HANDLE handle, HBA_WWN portWWN, void* response,
                              HBA_UINT32 responseSize, void* sense, HBA_UINT32 senseSize) {
    return forward(handle, &HBA_ENTRYPOINTS::ReportLUNsHandler, portWWN, response, responseSize,
                   sense, senseSize);
}

HBA_STATUS
HBA_SendReadCapacity(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 fcLun, void* response,
                     HBA_UINT32 responseSize, void* sense, HBA_UINT32 senseSize) {
    return forward(handle, &HBA_ENTRYPOINTS::ReadCapacityHandler, portWWN, fcLun, response,
                   responseSize, sense, senseSize);
}

}  // extern "C"
