#include "nic/nic_physical_adapter.h"

#include "core/log.h"
#include "core/platform_path.h"
#include "core/shell_command.h"
#include "core/utils.h"
#include "host/pcie_manufacturer_resolver.h"
#include "host/physloc_factory.h"
#include "nic/nic_listing_values.h"
#include "nic/nic_model_table.h"
#include "nic/nic_port_listing.h"
#include "storage/location_code.h"

namespace {

const char* const TAG = "NIC_CTRL";
const char* const DETAIL_FILE = "/opt/vex/orb/data/orb_nicAddDetails.txt";
const char* const NO_GEOID = "NotAvailable";

enum Column { NAME = 0, PCI_DEVICE = 1, ADMIN_STATUS = 3, LINK_STATUS = 4, SPEED = 5, MAC = 7 };

const NICModelInfo* modelOf(const std::string& vendor, const std::string& device,
                            const std::string& subVendor, const std::string& subDevice) {
    auto found = nicPciIdsModelNameMap.find(
        NICPciIds{nic_pci_id_value(vendor), nic_pci_id_value(device), nic_pci_id_value(subVendor),
                  nic_pci_id_value(subDevice)});
    return found == nicPciIdsModelNameMap.end() ? nullptr : &found->second;
}

std::string withoutPrefix(const std::string& id) {
    if (id.size() > 2 && id[0] == '0' && (id[1] == 'x' || id[1] == 'X')) {
        return id.substr(2);
    }
    return id;
}

}  // namespace

std::map<std::string, NICPhysicalAdapter::IdPair> NICPhysicalAdapter::vendorDevice;
std::map<std::string, NICPhysicalAdapter::IdPair> NICPhysicalAdapter::subVendorDevice;
std::mutex NICPhysicalAdapter::cacheLock;
std::mutex NICPhysicalAdapter::detailFileLock;

NICPhysicalAdapter::IdPair NICPhysicalAdapter::cachedIds(std::map<std::string, IdPair>& cache,
                                                         const std::string& pci, bool subsystem) {
    {
        std::lock_guard<std::mutex> guard(cacheLock);
        auto found = cache.find(pci);
        if (found != cache.end()) {
            return found->second;
        }
    }
    // The lookup runs a shell pipeline over the hardware list with the address in it: only an
    // address of the form ESXi prints goes there.
    if (!orbUtils::isValidPciAddress(pci)) {
        return IdPair();
    }
    IdPair ids =
        subsystem ? orbUtils::get_subvendor_subdevice(pci) : orbUtils::get_vendor_device(pci);
    if (subsystem) {
        ORB_LOG_DEBUG(TAG, "subvendorDev1 =%s,subvendorDev2 =%s", ids.first.c_str(),
                      ids.second.c_str());
    } else {
        ORB_LOG_DEBUG(TAG, "vendorDev1 =%s,vendorDev2 =%s", ids.first.c_str(), ids.second.c_str());
    }
    std::lock_guard<std::mutex> guard(cacheLock);
    cache[pci] = ids;
    return ids;
}

int NICPhysicalAdapter::discoverPhyAdapterInventory(PhyAdapterInventory& out,
                                                    std::vector<std::string>& row) {
    if (row.size() < LISTING_COLUMNS) {
        ORB_LOG_ERROR(TAG, "Network port listing row has %zu columns, %zu expected; port skipped.",
                      row.size(), LISTING_COLUMNS);
        return -1;
    }
    const std::string& name = row[NAME];
    const std::string& pci = row[PCI_DEVICE];

    // Location.
    std::string geo = orbUtils::getGeoIDStr(pci);
    std::string location = ORB_UNKNOWN_PHYSICAL_LOCATION;
    if (geo == NO_GEOID) {
        geo.clear();
    } else {
        location = orbPhysLocFactory::getPhysLocInterface()->getPhysLocForNetworkAdapter(pci);
    }

    std::string firmware;
    getFWVersion(name, firmware);

    // IDs, read once per address and process.
    IdPair sub = cachedIds(subVendorDevice, pci, true);
    IdPair ids = cachedIds(vendorDevice, pci, false);

    // The subsystem vendor just read saves the resolver its own search of the hardware list.
    std::string subVendorId = withoutPrefix(sub.first);
    std::string manufacturer;
    PCIeManufacturerResolver::fetchManufacturer(pci, subVendorId, manufacturer);

    std::string model;
    getNICModel(ids.first, ids.second, sub.first, sub.second, model);
    if (model.empty()) {
        ORB_LOG_DEBUG(TAG, "Unable to fetch the Model string for %s", pci.c_str());
        ORB_LOG_DEBUG(TAG,
                      "Unable to fetch the Model string for Vendor : %s, Device : %s,SubVendor : "
                      "%s, SubDevice : %s",
                      ids.first.c_str(), ids.second.c_str(), sub.first.c_str(), sub.second.c_str());
    }

    ORB_LOG_DEBUG(TAG, "Getting adapter status for %s", name.c_str());
    int code = get_adapter_status(row[LINK_STATUS].c_str(), row[ADMIN_STATUS].c_str());
    ORB_RESOURCE_STATE state;
    ORB_RESOURCE_HEALTH health;
    setNICStateHealthValues(code, state, health);

    int speed = 0;
    if (!nic_parse_speed(row[SPEED], speed)) {
        ORB_LOG_ERROR(TAG, "Error occurred in identifying the speed");
        speed = 0;
    }

    out.setIntfName(name);
    out.setDeviceName(name);
    out.setMACAddress(row[MAC]);
    out.setSpeed(speed);
    out.setPCIDescription("PCI " + pci + " " + geo);
    out.setFirmVersion(firmware);
    out.setState(orbResourceStateText(state));
    out.setHealth(orbResourceHealthText(health));
    out.setPhyLocation(location);
    out.setNICModel(model);
    out.setPartNumber(getPartNumValue(ids.first, ids.second, sub.first, sub.second));
    out.setSerialNumber("");
    out.setManufacturer(manufacturer);
    out.setLinkStatus(row[LINK_STATUS]);
    return 0;
}

void NICPhysicalAdapter::getFWVersion(const std::string& name, std::string& out) {
    // Only a name of the form the listing accepts reaches the shell.
    if (!nic_is_port_name(name)) {
        ORB_LOG_ERROR(TAG, "Invalid network port name [%s]; firmware version not read.",
                      name.c_str());
        return;
    }
    std::lock_guard<std::mutex> guard(detailFileLock);
    const std::string detailFile = orbShellQuote(orbRootPath(DETAIL_FILE));
    int status = orbRunShellCommand("localcli network nic get -n " + name + " > " + detailFile);
    if (status != 0) {
        ORB_LOG_ERROR(TAG, "Unable to read the details of network port %s (exit status %d).",
                      name.c_str(), status);
        return;
    }
    std::vector<std::string> output;
    orbRunShellCommand("grep \"Firmware Version\" " + detailFile, output, 2048,
                       ORB_SHELL_QUICK_DEADLINE);
    std::string line = output.empty() ? std::string() : output.front();
    if (!nic_firmware_from_line(line, out)) {
        ORB_LOG_ERROR(TAG, "Error occurred in identifying fw version.");
    }
}

void NICPhysicalAdapter::getNICModel(const std::string& vendor, const std::string& device,
                                     const std::string& subVendor, const std::string& subDevice,
                                     std::string& out) {
    const NICModelInfo* info = modelOf(vendor, device, subVendor, subDevice);
    if (info != nullptr) {
        out = info->model;
    }
}

std::string NICPhysicalAdapter::getPartNumValue(const std::string& vendor,
                                                const std::string& device,
                                                const std::string& subVendor,
                                                const std::string& subDevice) {
    const NICModelInfo* info = modelOf(vendor, device, subVendor, subDevice);
    const char* partNumber =
        info != nullptr ? info->partNumbers.forFamily(orbUtils::getPlatformFamily()) : nullptr;
    if (partNumber == nullptr) {
        ORB_LOG_INFO(TAG, "Unable to obtain the PartNumber of Ethernet/Infiniband instance");
        return std::string();
    }
    return partNumber;
}
