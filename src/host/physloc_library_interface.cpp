#include "host/physloc_library_interface.h"

#include <dlfcn.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/utils.h"

namespace {

const char* const TAG = "PHYS_LOC";
const char* const NO_EXTRA = "NA";
const char* const NO_SLOT = "0";
const char* const ON_BOARD_SLOT = "00";

// Largest drive bay and backplane box number: the library takes each number as one byte.
const int MAX_UNIT_NUMBER = 255;

// Decimal text of 0 to 255, as the library takes every GeoID and extra number as one byte.
// Anything else is refused rather than wrapped into another, wrong, location.
bool toByte(const std::string& text, uint8_t& out) {
    if (text.empty() || text.size() > 3) {
        return false;
    }
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) {
        return false;
    }
    out = static_cast<uint8_t>(value);
    return true;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) {
            text.push_back(' ');
        }
        text += part;
    }
    return text;
}

// The text after the "." of a PCI address: the function number.
std::string functionOf(const std::string& pci) {
    size_t dot = pci.rfind('.');
    return dot == std::string::npos ? std::string() : pci.substr(dot + 1);
}

// The controller kinds whose invalid addresses are reported, each with its own line.
enum class Controller { IO, NETWORK, STORAGE };

bool isValidAddress(const std::string& pci, Controller controller) {
    if (orbUtils::isValidPciAddress(pci)) {
        return true;
    }
    switch (controller) {
        case Controller::IO:
            ORB_LOG_ERROR(TAG, "I/O controller PCI address is invalid. ([%s])", pci.c_str());
            break;
        case Controller::NETWORK:
            ORB_LOG_ERROR(TAG, "Network controller PCI address is invalid. ([%s])", pci.c_str());
            break;
        case Controller::STORAGE:
            ORB_LOG_ERROR(TAG, "Storage controller PCI address is invalid. ([%s])", pci.c_str());
            break;
    }
    return false;
}

}  // namespace

void orbLibraryPhysLocInterface::LibraryCloser::operator()(void* handle) const {
    if (handle != nullptr) {
        dlclose(handle);
    }
}

orbLibraryPhysLocInterface::orbLibraryPhysLocInterface(const orbPhysLocVariant& variant)
    : variant(variant) {}

orbLibraryPhysLocInterface::~orbLibraryPhysLocInterface() {
    UnInitialize();
}

bool orbLibraryPhysLocInterface::Initialize() {
    std::lock_guard<std::mutex> guard(lock);
    if (library) {
        return true;
    }
    dlerror();
    std::string path = orbRootPath(variant.libraryPath);
    std::unique_ptr<void, LibraryCloser> handle(dlopen(path.c_str(), RTLD_LAZY | RTLD_GLOBAL));
    if (!handle) {
        const char* reason = dlerror();
        ORB_LOG_ERROR(TAG, "Failed to load physical location library [%s]: (%s)", path.c_str(),
                      reason != nullptr ? reason : "unknown error");
        return false;
    }
    void* symbols[2] = {nullptr, nullptr};
    const char* names[2] = {PHYSLOC_INIT_DATA_SYMBOL, PHYSLOC_ENCODE_SYMBOL};
    for (int i = 0; i < 2; ++i) {
        dlerror();
        symbols[i] = dlsym(handle.get(), names[i]);
        if (symbols[i] == nullptr) {
            const char* reason = dlerror();
            ORB_LOG_ERROR(TAG, "Failed to find address of symbol [%s]: (%s)", names[i],
                          reason != nullptr ? reason : "symbol is null");
            return false;
        }
    }
    initData.store(reinterpret_cast<physloc_init_data_fn>(symbols[0]));
    encode.store(reinterpret_cast<physloc_encode_fn>(symbols[1]));
    library = std::move(handle);
    ORB_LOG_INFO(TAG, "Successfully loaded physical location library.");
    return true;
}

void orbLibraryPhysLocInterface::UnInitialize() {
    std::lock_guard<std::mutex> guard(lock);
    initData.store(nullptr);
    encode.store(nullptr);
    library.reset();
}

std::string orbLibraryPhysLocInterface::getPhysLocLibraryName() {
    return variant.libraryPath;
}

bool orbLibraryPhysLocInterface::geoIdOf(const std::string& pci, const char* purpose,
                                         std::vector<std::string>& parts) {
    parts = orbUtils::getGeoIDInfo(pci);
    if (parts.size() != variant.geoIdParts) {
        ORB_LOG_ERROR(TAG, "Unexpected GeoID split size [%zu] at PCI address [%s] for %s.",
                      parts.size(), pci.c_str(), purpose);
        return false;
    }
    return true;
}

std::string orbLibraryPhysLocInterface::getPCIeSlotForIOSlot(const std::string& pci) {
    std::vector<std::string> parts = orbUtils::getGeoIDInfo(pci);
    if (parts.size() != variant.geoIdParts) {
        return NO_SLOT;
    }
    return parts.back();
}

std::string orbLibraryPhysLocInterface::getPhysLocForIOSlot(const std::string& pci) {
    if (!isValidAddress(pci, Controller::IO)) {
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    return physlocEncode(pci, orbUtils::getGeoIDInfo(pci), variant.ioSlotType, nullptr, NO_EXTRA);
}

std::string orbLibraryPhysLocInterface::getPhysLocForNetworkAdapter(const std::string& pci) {
    if (!isValidAddress(pci, Controller::NETWORK)) {
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    std::vector<std::string> parts;
    if (!geoIdOf(pci, "network adapter", parts)) {
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    // A port built into the system board shares its slot with the board's other ports; the
    // function number tells them apart.
    if (parts.back() == ON_BOARD_SLOT) {
        return physlocEncode(pci, parts, variant.onBoardNetworkType, nullptr, functionOf(pci));
    }
    return physlocEncode(pci, parts, variant.ioSlotType, nullptr, NO_EXTRA);
}

std::string orbLibraryPhysLocInterface::getPhysLocForChassisDriveSlot(const std::string& pci,
                                                                      int bay) {
    if (!isValidAddress(pci, Controller::STORAGE)) {
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    std::vector<std::string> parts;
    if (!geoIdOf(pci, "chassis drive slot", parts)) {
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    if (bay < 0 || bay > MAX_UNIT_NUMBER) {
        ORB_LOG_ERROR(TAG,
                      "Invalid internal drive bay # [%d] for physical location encoding at PCI "
                      "address [%s].",
                      bay, pci.c_str());
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    return physlocEncode(pci, parts, variant.driveSlotType, nullptr, std::to_string(bay));
}

std::string orbLibraryPhysLocInterface::getPhysLocForExternalDrive(const std::string& pci) {
    if (!isValidAddress(pci, Controller::STORAGE)) {
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    return physlocEncode(pci, orbUtils::getGeoIDInfo(pci), variant.externalDriveType, nullptr,
                         NO_EXTRA);
}

std::string orbLibraryPhysLocInterface::getPhysLocForChassisStorageBackplane(const std::string& pci,
                                                                             int box) {
    if (!isValidAddress(pci, Controller::STORAGE)) {
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    std::vector<std::string> parts;
    if (!geoIdOf(pci, "storage backplane", parts)) {
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    if (box < 0 || box > MAX_UNIT_NUMBER) {
        ORB_LOG_ERROR(TAG,
                      "Invalid box number [%d] for storage backplane connected to PCI address "
                      "[%s].",
                      box, pci.c_str());
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    return physlocEncode(pci, parts, variant.backplaneType, nullptr, std::to_string(box));
}

int orbLibraryPhysLocInterface::checkPCIDevicesLocatedInSameChassis(const std::string& first,
                                                                    const std::string& second) {
    if (!orbUtils::isValidPciAddress(first) || !orbUtils::isValidPciAddress(second)) {
        ORB_LOG_ERROR(TAG, "Either or both PCI addresses specified are not valid. ([%s], [%s])",
                      first.c_str(), second.c_str());
        return ORB_PCI_ADDRESS_INVALID;
    }
    std::vector<std::string> a = orbUtils::getGeoIDInfo(first);
    std::vector<std::string> b = orbUtils::getGeoIDInfo(second);
    if (a.size() != variant.geoIdParts || b.size() != variant.geoIdParts) {
        ORB_LOG_ERROR(TAG,
                      "Split size of either or both GeoIDs are invalid [%zu, %zu], at PCI "
                      "addresses [%s, %s], respectively.",
                      a.size(), b.size(), first.c_str(), second.c_str());
        return ORB_PCI_GEOID_INVALID;
    }
    return (a[0] == b[0] && a[1] == b[1]) ? ORB_PCI_SAME_CHASSIS : ORB_PCI_OTHER_CHASSIS;
}

int orbLibraryPhysLocInterface::checkIfPCICardIsOnBoard(const std::string& pci) {
    std::string slot = getPCIeSlotForIOSlot(pci);
    if (slot == ON_BOARD_SLOT) {
        return ORB_PCI_CARD_ON_BOARD;
    }
    if (slot == NO_SLOT) {
        return ORB_PCI_CARD_NO_SLOT_INFORMATION;
    }
    return ORB_PCI_CARD_ADD_IN;
}

int orbLibraryPhysLocInterface::getChassisLocationForIOSlot(const std::string& pci,
                                                            std::string& out) {
    if (!isValidAddress(pci, Controller::IO)) {
        return ORB_PCI_ADDRESS_INVALID;
    }
    std::vector<std::string> parts;
    if (!geoIdOf(pci, "chassis location", parts)) {
        return ORB_PCI_GEOID_INVALID;
    }
    out =
        std::string(1, variant.chassisLetters[0]) + parts[0] + variant.chassisLetters[1] + parts[1];
    return 0;
}

std::string orbLibraryPhysLocInterface::physlocEncode(const std::string& pci,
                                                      const std::vector<std::string>& parts,
                                                      physloc_type_t type, physloc_rtn_t* rc,
                                                      const std::string& extra) {
    if (parts.size() != variant.geoIdParts) {
        ORB_LOG_ERROR(TAG,
                      "Failed to determine physical location for PCI address [%s]. (%zu, [%s])",
                      pci.c_str(), parts.size(), joined(parts).c_str());
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    physloc_init_data_fn init = initData.load();
    physloc_encode_fn encodeCode = encode.load();
    if (init == nullptr || encodeCode == nullptr) {
        ORB_LOG_ERROR(TAG,
                      "Physical location library [%s] is not loaded; no location for PCI address "
                      "[%s].",
                      variant.libraryPath, pci.c_str());
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }

    // On the heap: the storage is generous so that the library's own, larger, request
    // structure fits, and a resource-manager thread's stack need not carry it.
    std::unique_ptr<physloc_request_storage_t> storage(new (std::nothrow)
                                                           physloc_request_storage_t);
    if (!storage) {
        ORB_LOG_ERROR(TAG, "No memory for a physical location request for PCI address [%s].",
                      pci.c_str());
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }
    std::memset(storage->bytes, 0, sizeof(storage->bytes));
    physloc_request_t& request = storage->request;
    physloc_rtn_t result = init(&request, PHYSLOC_REQUEST_VERSION);
    if (result == 0) {
        request.type = type;
        request.geoidCount = static_cast<uint8_t>(parts.size());
        for (size_t i = 0; i < parts.size(); ++i) {
            if (!toByte(parts[i], request.geoid[i])) {
                ORB_LOG_ERROR(TAG,
                              "Invalid GeoID number [%s] at PCI address [%s]: physical location "
                              "numbers range from 0 to 255.",
                              parts[i].c_str(), pci.c_str());
                return ORB_UNKNOWN_PHYSICAL_LOCATION;
            }
        }
        if (extra != NO_EXTRA) {
            if (!toByte(extra, request.extra)) {
                ORB_LOG_ERROR(TAG,
                              "Invalid unit number [%s] at PCI address [%s]: physical location "
                              "numbers range from 0 to 255.",
                              extra.c_str(), pci.c_str());
                return ORB_UNKNOWN_PHYSICAL_LOCATION;
            }
            request.hasExtra = 1;
        }
    }
    uint64_t code = 0;
    if (result == 0) {
        result = encodeCode(&request, &code);
    }
    if (result != 0) {
        if (rc != nullptr) {
            *rc = result;
        }
        if (variant.geoIdParts == 4) {
            ORB_LOG_ERROR(TAG,
                          "Failed to encode physical location for PCI address [%s]. (%d) [%hhu, "
                          "%hhu, %hhu, %hhu, %s]",
                          pci.c_str(), result, request.geoid[0], request.geoid[1], request.geoid[2],
                          request.geoid[3], extra.c_str());
        } else {
            ORB_LOG_ERROR(TAG,
                          "Failed to encode physical location for PCI address [%s]. (%d) [%hhu, "
                          "%hhu, %hhu, %s]",
                          pci.c_str(), result, request.geoid[0], request.geoid[1], request.geoid[2],
                          extra.c_str());
        }
        return ORB_UNKNOWN_PHYSICAL_LOCATION;
    }

    char text[17];
    std::snprintf(text, sizeof(text), "%016" PRIX64, code);
    if (variant.geoIdParts == 4) {
        ORB_LOG_DEBUG(TAG, "PCI address [%s]: [%d] - {%s, %s, %s, %s, %s} - PL: [%s]", pci.c_str(),
                      type, parts[0].c_str(), parts[1].c_str(), parts[2].c_str(), parts[3].c_str(),
                      extra.c_str(), text);
    } else {
        ORB_LOG_DEBUG(TAG, "PCI address [%s]: [%d] - {%s, %s, %s, %s} - PL: [%s]", pci.c_str(),
                      type, parts[0].c_str(), parts[1].c_str(), parts[2].c_str(), extra.c_str(),
                      text);
    }
    return text;
}
