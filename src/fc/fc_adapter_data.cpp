// What the FC manager reads of one adapter: the HBA API's attributes and port states through
// the loader, then the host's facts about it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "core/utils.h"
#include "fc/fc_part_number_table.h"
#include "fc/fc_resource_manager.h"
#include "host/pcie_manufacturer_resolver.h"
#include "host/physloc_factory.h"
#include "storage/location_code.h"

namespace {

const char* const kTag = "FC_RM";
const char* const kNoGeoID = "NotAvailable";
const char* const kNotAvailable = "Not Available";
// Fibre Channel adapters have one to four ports; a count far beyond that is not the
// adapter's, and each port costs a call into the vendor's library.
constexpr HBA_UINT32 kMaxPortsPerAdapter = 32;

// Vendor texts fill fixed buffers and need not be terminated: never read past the buffer.
template <size_t N>
std::string boundedText(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

// A port whose state is worse than another's decides the adapter's state: a failure on any
// port must reach the RMC, whichever port it is.
int severity(ORB_RESOURCE_STATE state) {
    switch (state) {
        case ORB_STATE_ONLINE:
            return 0;
        case ORB_STATE_UNKNOWN:
            return 1;
        case ORB_STATE_BYPASSED:
        case ORB_STATE_DIAGNOSTIC_MODE:
        case ORB_STATE_LOOPBACK:
            return 2;
        case ORB_STATE_OFFLINE:
            return 3;
        case ORB_STATE_LINKDOWN:
            return 4;
        default:  // ORB_STATE_ERROR
            return 5;
    }
}

unsigned pciIdValue(const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    return (end == nullptr || *end != '\0' || value > 0xFFFF) ? 0 : static_cast<unsigned>(value);
}

std::string withoutPrefix(const std::string& id) {
    if (id.size() > 2 && id[0] == '0' && (id[1] == 'x' || id[1] == 'X')) {
        return id.substr(2);
    }
    return id;
}

}  // namespace

ORB_RESOURCE_STATE FCResourceManager::getState(HBA_PORTSTATE portState) {
    switch (portState) {
        case HBA_PORTSTATE_ONLINE:
            return ORB_STATE_ONLINE;
        case HBA_PORTSTATE_OFFLINE:
            return ORB_STATE_OFFLINE;
        case HBA_PORTSTATE_BYPASSED:
            return ORB_STATE_BYPASSED;
        case HBA_PORTSTATE_DIAGNOSTICS:
            return ORB_STATE_DIAGNOSTIC_MODE;
        case HBA_PORTSTATE_LINKDOWN:
            return ORB_STATE_LINKDOWN;
        case HBA_PORTSTATE_ERROR:
            return ORB_STATE_ERROR;
        case HBA_PORTSTATE_LOOPBACK:
            return ORB_STATE_LOOPBACK;
        default:
            return ORB_STATE_UNKNOWN;
    }
}

ORB_RESOURCE_HEALTH FCResourceManager::getHealth(ORB_RESOURCE_STATE state) {
    switch (state) {
        case ORB_STATE_ONLINE:
            return ORB_HEALTH_OK;
        case ORB_STATE_ERROR:
        case ORB_STATE_LINKDOWN:
            return ORB_HEALTH_CRITICAL;
        case ORB_STATE_BYPASSED:
        case ORB_STATE_DIAGNOSTIC_MODE:
        case ORB_STATE_LOOPBACK:
        case ORB_STATE_OFFLINE:
            return ORB_HEALTH_WARNING;
        default:
            return ORB_HEALTH_UNKNOWN;
    }
}

std::string FCResourceManager::WWNtoString(const HBA_WWN& wwn) {
    char text[24];
    std::snprintf(text, sizeof(text), "%02x:%02x:%02x:%02x:%02x:%02x:%02x:%02x", wwn.wwn[0],
                  wwn.wwn[1], wwn.wwn[2], wwn.wwn[3], wwn.wwn[4], wwn.wwn[5], wwn.wwn[6],
                  wwn.wwn[7]);
    return text;
}

bool FCResourceManager::loadLibrary() {
    if (HBA_LoadLibrary() != HBA_STATUS_OK) {
        ORB_LOG_ERROR(kTag, "Could not load FC HBA vendor library");
        return false;
    }
    ORB_LOG_INFO(kTag, "FC HBA vendor library loaded successfully");
    fcVendorLibraryLoaded = true;
    return true;
}

void FCResourceManager::unLoadLibrary() {
    if (!fcVendorLibraryLoaded) {
        return;
    }
    HBA_FreeLibrary();
    fcVendorLibraryLoaded = false;
    NumAdapters = 0;
    NumFcaEntries = 0;
    ORB_LOG_DEBUG(kTag, "FC HBA vendor library freed");
}

void FCResourceManager::discoverInstances() {
    NumAdapters = static_cast<int>(HBA_GetNumberOfAdapters());
    NumFcaEntries = NumAdapters;
    ORB_LOG_INFO(kTag, "%d FC instances found!!", NumAdapters);
}

bool FCResourceManager::openAdapter(orbFCDeviceInfo& record) {
    char* name = record.getorbFCAdapterName();
    if (HBA_GetAdapterName(record.getorbFCAdapterIndex(), name) != HBA_STATUS_OK) {
        ORB_LOG_ERROR(kTag, "HBA_GetAdapterName() Failed\n");
        return false;
    }
    name[orbFCDeviceInfo::kAdapterNameSize - 1] = '\0';
    ORB_LOG_DEBUG(kTag, "Adapter name is %s", name);
    record.setorbFCHandle(HBA_OpenAdapter(name));
    if (record.getorbFCHandle() == 0) {
        ORB_LOG_ERROR(kTag, "HBA_OpenAdapter() %s Failed()\n", name);
        return false;
    }
    return true;
}

void FCResourceManager::closeAdapter(orbFCDeviceInfo& record) {
    if (record.getorbFCHandle() != 0) {
        HBA_CloseAdapter(record.getorbFCHandle());
        record.setorbFCHandle(0);
    }
}

bool FCResourceManager::readAdapterAttributes(orbFCDeviceInfo& record) {
    const HBA_HANDLE handle = record.getorbFCHandle();
    HBA_ADAPTERATTRIBUTES attributes{};
    if (HBA_GetAdapterAttributes(handle, &attributes) != HBA_STATUS_OK) {
        ORB_LOG_ERROR(kTag, "HBA_GetAdapterAttributes() Failed.");
        return false;
    }
    record.setorbFCModel(boundedText(attributes.Model));
    record.setorbFCSerialNumber(boundedText(attributes.SerialNumber));
    record.setorbFCFirmwareVersion(boundedText(attributes.FirmwareVersion));
    record.setorbFCRomVersion(boundedText(attributes.OptionROMVersion));
    // A node name of zeros names no adapter, and must not match another such adapter.
    static const HBA_WWN kNoWwn{};
    if (std::memcmp(&attributes.NodeWWN, &kNoWwn, sizeof(kNoWwn)) != 0) {
        record.setorbFCWWNN(WWNtoString(attributes.NodeWWN));
    }
    HBA_UINT32 ports = attributes.NumberOfPorts;
    if (ports > kMaxPortsPerAdapter) {
        ORB_LOG_WARNING(kTag, "Adapter %s reports %u ports; only the first %u are read.",
                        record.getorbFCAdapterName(), ports, kMaxPortsPerAdapter);
        ports = kMaxPortsPerAdapter;
    }
    record.setorbFCNumberOfPorts(static_cast<int>(ports));

    bool answered = false;
    ORB_RESOURCE_STATE worst = ORB_STATE_UNKNOWN;
    for (HBA_UINT32 index = 0; index < ports; ++index) {
        HBA_PORTATTRIBUTES port{};
        if (HBA_GetAdapterPortAttributes(handle, index, &port) != HBA_STATUS_OK) {
            continue;
        }
        record.setorbFCWWPN(WWNtoString(port.PortWWN));
        const ORB_RESOURCE_STATE state = getState(port.PortState);
        if (!answered || severity(state) > severity(worst)) {
            worst = state;
        }
        answered = true;
    }
    record.setorbFCStatus(worst, getHealth(worst));
    return true;
}

bool FCResourceManager::getFcHbaData(orbFCDeviceInfo& record) {
    if (!readAdapterAttributes(record)) {
        return false;
    }
    addHostFacts(record);
    ORB_LOG_DEBUG(kTag, "Status of getdata is %d",
                  static_cast<int>(record.getorbFCStatus().FCDeviceState));
    return true;
}

FCResourceManager::IdPair FCResourceManager::cachedIds(std::map<std::string, IdPair>& cache,
                                                       const std::string& pci, bool subsystem) {
    // Without an address of the form ESXi prints, a lookup would match some other device.
    if (!orbUtils::isValidPciAddress(pci)) {
        return IdPair();
    }
    {
        std::lock_guard<std::mutex> guard(idCacheLock);
        auto found = cache.find(pci);
        if (found != cache.end()) {
            return found->second;
        }
    }
    IdPair ids =
        subsystem ? orbUtils::get_subvendor_subdevice(pci) : orbUtils::get_vendor_device(pci);
    if (subsystem) {
        ORB_LOG_DEBUG(kTag, "subvendorDev1 =%s,subvendorDev2 =%s", ids.first.c_str(),
                      ids.second.c_str());
    } else {
        ORB_LOG_DEBUG(kTag, "vendorDev1 =%s,vendorDev2 =%s", ids.first.c_str(), ids.second.c_str());
    }
    // A lookup that failed (the hardware list not written yet, say) is tried again next time.
    if (!ids.first.empty() && !ids.second.empty()) {
        std::lock_guard<std::mutex> guard(idCacheLock);
        cache[pci] = ids;
    }
    return ids;
}

std::string FCResourceManager::getFcaHostCntlrPartNumber(const std::string& vendor,
                                                         const std::string& device,
                                                         const std::string& subVendor,
                                                         const std::string& subDevice) {
    auto found = fcPciIdsModelNameMap.find(
        FCPciIds{pciIdValue(withoutPrefix(vendor)), pciIdValue(withoutPrefix(device)),
                 pciIdValue(withoutPrefix(subVendor)), pciIdValue(withoutPrefix(subDevice))});
    if (found == fcPciIdsModelNameMap.end()) {
        ORB_LOG_DEBUG(kTag,
                      "Unable to fetch the Model string for Vendor : %s, Device : %s,SubVendor : "
                      "%s, SubDevice : %s",
                      vendor.c_str(), device.c_str(), subVendor.c_str(), subDevice.c_str());
        ORB_LOG_INFO(kTag, "Unable to obtain the PartNumber of FC instance");
        return std::string();
    }
    const char* partNumber = found->second.partNumbers.forFamily(orbUtils::getPlatformFamily());
    if (partNumber == nullptr) {
        ORB_LOG_INFO(kTag, "Unable to obtain the PartNumber of FC instance");
        return std::string();
    }
    return partNumber;
}

void FCResourceManager::getOemValues(const std::string& pci, std::string& location,
                                     std::string& description) {
    if (!orbUtils::isValidPciAddress(pci)) {
        location = ORB_UNKNOWN_PHYSICAL_LOCATION;
        description.clear();
        return;
    }
    std::string geo = orbUtils::getGeoIDStr(pci);
    if (geo == kNoGeoID) {
        geo.clear();
    }
    description = "PCI " + pci + " " + geo;
    location = orbPhysLocFactory::getPhysLocInterface()->getPhysLocForIOSlot(pci);
}

void FCResourceManager::addHostFacts(orbFCDeviceInfo& record) {
    std::string osName;
    if (record.getorbFCWWNN() != kNotAvailable) {
        osName = hostMaps.getFcOsDevicename(record.getorbFCWWNN());
    }
    ORB_LOG_DEBUG(kTag, "Os Device Name is %s", osName.c_str());
    const std::string pci = osName.empty() ? std::string() : hostMaps.getFcPciStr(osName);

    const IdPair ids = cachedIds(vendorDevice, pci, false);
    const IdPair sub = cachedIds(subVendorDevice, pci, true);
    record.setorbFCPartNumber(
        getFcaHostCntlrPartNumber(ids.first, ids.second, sub.first, sub.second));

    if (orbUtils::isValidPciAddress(pci)) {
        // The subsystem vendor just read saves the resolver its own search of the hardware
        // list.
        std::string subVendorId = withoutPrefix(sub.first);
        std::string manufacturer = record.getorbFCManufacturer();
        PCIeManufacturerResolver::fetchManufacturer(pci, subVendorId, manufacturer);
        record.setorbFCManufacturer(manufacturer);
        ORB_LOG_DEBUG(kTag, "_manufacturer is %s", manufacturer.c_str());
    }

    std::string location;
    std::string description;
    getOemValues(pci, location, description);
    ORB_LOG_DEBUG(kTag, "Description is %s", description.c_str());
    ORB_LOG_DEBUG(kTag, "Phy Loc is %s", location.c_str());
    record.setorbOemPhyLoc(location);
    record.setorbFCDescription(description);
}

bool FCResourceManager::waitOnPortState(int records) {
    if (!fcVendorLibraryLoaded) {
        return false;
    }
    ORB_LOG_DEBUG(kTag, "Checking the port states of %d FC adapters", records);
    // An adapter come or gone since the last build is a change the next build must show.
    const int listedAtBuild = NumAdapters;
    discoverInstances();
    bool changed = NumAdapters != listedAtBuild;
    for (int index = 0; index < NumAdapters && !changed; ++index) {
        if (stopping()) {
            return false;
        }
        orbFCDeviceInfo record;
        record.setorbFCAdapterIndex(static_cast<unsigned>(index));
        if (!openAdapter(record)) {
            continue;
        }
        const bool read = readAdapterAttributes(record);
        closeAdapter(record);
        if (!read) {
            ORB_LOG_ERROR(kTag, "getFcHbaData() for FcaEntry %d Failed!", index);
            continue;
        }
        const ORB_RESOURCE_STATE state = record.getorbFCStatus().FCDeviceState;
        auto known = portStateMap.find(index);
        if (known == portStateMap.end()) {
            portStateMap[index] = state;
            changed = true;
        } else if (known->second != state) {
            changed = true;
        }
    }
    ORB_LOG_DEBUG(kTag, "%s", changed ? "FC port state changed" : "No FC port state change");
    return changed;
}
