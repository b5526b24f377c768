// Platform identity and GeoIDs, both read from the firmware's SMBIOS table.

#include <regex.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "core/log.h"
#include "core/utils.h"
#include "host/smbios.h"

namespace {

constexpr char kTag[] = "ORB_UTILS";
constexpr char kNotAvailable[] = "NotAvailable";
constexpr char kFamilyAlpha[] = "PLATFAM-ALPHA";
constexpr char kFamilyBravo[] = "PLATFAM-BRAVO";
constexpr char kFamilyCharlie[] = "PLATFAM-CHARLIE";

constexpr char kAlphaPattern[] = "^r([0-9]{3})u([0-9]{2})p([0-9])i([0-9]{2})$";
constexpr char kBravoPattern[] = "^r([0-9]{3})i([0-9]{2})s([0-9]{2})$";
// The same formats as shapes for finding a GeoID inside a longer text: '#' is a digit.
constexpr char kAlphaShape[] = "r###u##p#i##";
constexpr char kBravoShape[] = "r###i##s##";

struct SystemInformation {
    std::mutex systemInformationMutex;
    std::atomic<bool> systemInformationCached{false};
    std::atomic<bool> unavailableLogged{false};
    std::string platformFamily;
    std::string systemManufacturer;
};

SystemInformation& systemInformation() {
    static SystemInformation instance;
    return instance;
}

struct GeoIDMap {
    std::mutex mutex;
    bool built = false;
    std::map<std::string, std::string> geoIDMap;
};

GeoIDMap& geoIDs() {
    static GeoIDMap instance;
    return instance;
}

struct GeoIDSplit {
    std::mutex geoIDSplitMutex;
    bool geoIDSplitRegexCompiled = false;
    std::string geoIDSplitExpression;
    regex_t geoIDSplitExp;
    ~GeoIDSplit() {
        if (geoIDSplitRegexCompiled) {
            regfree(&geoIDSplitExp);
        }
    }
};

GeoIDSplit& geoIDSplit() {
    static GeoIDSplit instance;
    return instance;
}

struct RecordsDeleter {
    void operator()(void* records) const { free(records); }
};

// The decoded records of one SMBIOS type; count is 0 when there are none.
std::unique_ptr<void, RecordsDeleter> recordsOfType(int type, int& count) {
    void* records = nullptr;
    count = 0;
    if (getSmbiosRecordsByType(type, &records, &count) != 0) {
        count = 0;
        return nullptr;
    }
    return std::unique_ptr<void, RecordsDeleter>(records);
}

std::string fieldText(const char* field, size_t capacity) {
    return std::string(field, strnlen(field, capacity));
}

bool isBravoLike(const std::string& family) {
    return family == kFamilyBravo || family == kFamilyCharlie;
}

// The first run of text of the given shape that stands on its own (no letter or digit right
// before or after it), or empty.
std::string findShape(const std::string& text, const char* shape) {
    size_t width = strlen(shape);
    auto isWordChar = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    for (size_t start = 0; start + width <= text.size(); ++start) {
        if (start > 0 && isWordChar(text[start - 1])) {
            continue;
        }
        if (start + width < text.size() && isWordChar(text[start + width])) {
            continue;
        }
        bool fits = true;
        for (size_t i = 0; i < width && fits; ++i) {
            char c = text[start + i];
            fits = shape[i] == '#' ? (c >= '0' && c <= '9') : c == shape[i];
        }
        if (fits) {
            return text.substr(start, width);
        }
    }
    return std::string();
}

// The PCI address of a record's bus address fields, or empty when the record has none: a
// formatted length too short to hold them (they are 0 then), or the values firmware writes for
// a slot without a device (segment 0xFFFF, bus or device/function 0xFF).
std::string pciAddressOf(const std::string& designation, bool covered, uint16_t segment,
                         uint8_t bus, uint8_t devFunc) {
    if (!covered || segment == 0xFFFF || bus == 0xFF || devFunc == 0xFF) {
        ORB_LOG_DEBUG(kTag, "No bus address for [%s]; no GeoID recorded for it.",
                      designation.c_str());
        return std::string();
    }
    char text[32];
    int length =
        snprintf(text, sizeof(text), "%04x:%02x:%02x.%x", segment, bus, devFunc >> 3, devFunc & 7);
    if (length != 12) {
        ORB_LOG_ERROR(kTag, "Unable to format the PCI address of [%s].", designation.c_str());
        return std::string();
    }
    return text;
}

// The characters after the first blank of a designation, at most count of them (all of them
// for npos); empty when there is no blank.
std::string afterFirstBlank(const std::string& designation, size_t count) {
    size_t blank = designation.find(' ');
    if (blank == std::string::npos) {
        return std::string();
    }
    return designation.substr(blank + 1, count);
}

void addGeoID(std::map<std::string, std::string>& map, const std::string& designation,
              const std::string& address, const std::string& geoID) {
    if (address.empty()) {
        return;
    }
    if (geoID.empty() || geoID == kNotAvailable) {
        ORB_LOG_DEBUG(kTag, "No GeoID in designation [%s] at PCI address [%s].",
                      designation.c_str(), address.c_str());
        return;
    }
    map.emplace(address, geoID);
}

// Adds the GeoIDs of every slot (type 9) or onboard-device (type 41) record; fullLength is the
// formatted length that holds the record's bus address fields.
template <typename Record, size_t N>
void addGeoIDsOf(int type, const char (Record::*designationField)[N], uint8_t fullLength,
                 const std::function<std::string(const std::string&)>& geoIDOf,
                 std::map<std::string, std::string>& map) {
    int count = 0;
    auto records = recordsOfType(type, count);
    const Record* first = static_cast<const Record*>(records.get());
    for (int i = 0; i < count; ++i) {
        const Record& record = first[i];
        std::string designation = fieldText(record.*designationField, N);
        ORB_LOG_DEBUG(kTag, "designation: %s, segmentGroupNum: 0x%x, busNum: 0x%x, evFuncNum: 0x%x",
                      designation.c_str(), record.segmentGroupNum, record.busNum,
                      record.devFuncNum);
        addGeoID(map, designation,
                 pciAddressOf(designation, record.length >= fullLength, record.segmentGroupNum,
                              record.busNum, record.devFuncNum),
                 geoIDOf(designation));
    }
}

// Fills map from the slot and onboard-device records; false when no SMBIOS table could be
// loaded (the map is then left empty, so a later call can try again).
bool buildGeoIDMap(std::map<std::string, std::string>& map) {
    map.clear();
    if (SmBiosInit() != 0) {
        return false;
    }
    std::string family = orbUtils::getPlatformFamily();
    addGeoIDsOf(
        9, &DMI_SYSTEM_SLOT::designation, 17,
        [&](const std::string& designation) {
            return isBravoLike(family) ? afterFirstBlank(designation, std::string::npos)
                                       : orbUtils::getGeoIDFromDesignation(designation);
        },
        map);
    addGeoIDsOf(
        41, &DMI_ONBOARD_DEVICE_EX::referenceDesignation, 11,
        [&](const std::string& designation) {
            return afterFirstBlank(designation, family == kFamilyAlpha ? 12 : 10);
        },
        map);
    return true;
}

// Loads the SMBIOS table on first need and keeps the platform texts once it is loaded. Returns
// whether the texts are cached; while no table can be loaded they stay empty and every call
// tries again, so an early caller cannot leave them empty for the whole run.
bool setSystemInformation() {
    SystemInformation& info = systemInformation();
    if (info.systemInformationCached.load(std::memory_order_acquire)) {
        return true;
    }
    std::lock_guard<std::mutex> guard(info.systemInformationMutex);
    if (info.systemInformationCached.load(std::memory_order_relaxed)) {
        return true;
    }
    if (SmBiosInit() != 0) {
        if (!info.unavailableLogged.exchange(true)) {
            ORB_LOG_WARNING(kTag,
                            "SMBIOS module could not be initialized. Hence, ORB system "
                            "information will not be populated.");
        }
        return false;
    }
    int count = 0;
    auto records = recordsOfType(1, count);
    if (count > 0) {
        const DMI_SYSTEM_INFO& system = *static_cast<const DMI_SYSTEM_INFO*>(records.get());
        info.platformFamily = fieldText(system.family, sizeof(system.family));
        info.systemManufacturer = fieldText(system.manufacturer, sizeof(system.manufacturer));
    }
    ORB_LOG_DEBUG(kTag, "platformFamily is [%s]", info.platformFamily.c_str());
    ORB_LOG_DEBUG(kTag, "System Manufacturer is [%s]", info.systemManufacturer.c_str());
    info.systemInformationCached.store(true, std::memory_order_release);
    return true;
}

// Compiles the GeoID pattern once (again only should the family's pattern differ); the caller
// holds geoIDSplitMutex.
bool compileGeoIDPattern(GeoIDSplit& split, const char* expression) {
    if (split.geoIDSplitRegexCompiled && split.geoIDSplitExpression == expression) {
        return true;
    }
    if (split.geoIDSplitRegexCompiled) {
        regfree(&split.geoIDSplitExp);
        split.geoIDSplitRegexCompiled = false;
    }
    int status = regcomp(&split.geoIDSplitExp, expression, REG_EXTENDED);
    if (status != 0) {
        char text[256];
        regerror(status, &split.geoIDSplitExp, text, sizeof(text));
        ORB_LOG_ERROR(kTag, "Error compiling regex [%s]: [%d] - [%s]", expression, status, text);
        return false;
    }
    split.geoIDSplitExpression = expression;
    split.geoIDSplitRegexCompiled = true;
    return true;
}

}  // namespace

std::string orbUtils::getPlatformFamily() {
    return setSystemInformation() ? systemInformation().platformFamily : std::string();
}

std::string orbUtils::getSystemManufacturer() {
    return setSystemInformation() ? systemInformation().systemManufacturer : std::string();
}

void orbUtils::initGeoIDMap() {
    GeoIDMap& state = geoIDs();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.built = buildGeoIDMap(state.geoIDMap);
}

std::string orbUtils::getGeoIDStr(const std::string& pciAddress) {
    GeoIDMap& state = geoIDs();
    std::lock_guard<std::mutex> guard(state.mutex);
    if (!state.built) {
        state.built = buildGeoIDMap(state.geoIDMap);
    }
    auto found = state.geoIDMap.find(pciAddress);
    return found != state.geoIDMap.end() ? found->second : std::string(kNotAvailable);
}

std::string orbUtils::getGeoIDFromDesignation(const std::string& designation) {
    return geoIDInDesignation(designation, getPlatformFamily());
}

std::string orbUtils::geoIDInDesignation(const std::string& designation,
                                         const std::string& family) {
    const char* shape = nullptr;
    if (family == kFamilyAlpha) {
        shape = kAlphaShape;
    } else if (isBravoLike(family)) {
        shape = kBravoShape;
    } else {
        return kNotAvailable;
    }
    std::string geoID = findShape(designation, shape);
    return geoID.empty() ? std::string(kNotAvailable) : geoID;
}

std::vector<std::string> orbUtils::getGeoIDInfo(const std::string& pciAddress) {
    std::string geoID = getGeoIDStr(pciAddress);
    std::string family = getPlatformFamily();
    const char* expression = nullptr;
    if (family == kFamilyAlpha) {
        expression = kAlphaPattern;
    } else if (isBravoLike(family)) {
        expression = kBravoPattern;
    } else {
        ORB_LOG_ERROR(kTag, "Failed to decode GeoID [%s]: Unknown or unsupported platform type.",
                      geoID.c_str());
        return {};
    }
    if (geoID == kNotAvailable) {
        ORB_LOG_WARNING(kTag, "GeoID not available for PCI address [%s].", pciAddress.c_str());
        return {};
    }

    GeoIDSplit& split = geoIDSplit();
    std::lock_guard<std::mutex> guard(split.geoIDSplitMutex);
    if (!compileGeoIDPattern(split, expression)) {
        return {};
    }
    size_t groups = split.geoIDSplitExp.re_nsub;
    std::vector<regmatch_t> matches(groups + 1);
    int status = regexec(&split.geoIDSplitExp, geoID.c_str(), matches.size(), matches.data(), 0);
    if (status != 0) {
        char text[256];
        regerror(status, &split.geoIDSplitExp, text, sizeof(text));
        ORB_LOG_ERROR(kTag, "Error decoding GeoID [%s]: [%d] - [%s]", geoID.c_str(), status, text);
        return {};
    }
    std::vector<std::string> parts;
    for (size_t i = 1; i <= groups; ++i) {
        const regmatch_t& m = matches[i];
        if (m.rm_so < 0 || m.rm_eo < m.rm_so || static_cast<size_t>(m.rm_eo) > geoID.size()) {
            ORB_LOG_ERROR(kTag,
                          "Failed to extract element # %zu from GeoID [%s]: Internal error "
                          "(%d, %d)",
                          i, geoID.c_str(), static_cast<int>(m.rm_so), static_cast<int>(m.rm_eo));
            return {};
        }
        parts.push_back(
            geoID.substr(static_cast<size_t>(m.rm_so), static_cast<size_t>(m.rm_eo - m.rm_so)));
    }
    return parts;
}
