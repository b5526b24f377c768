#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "nic/phy_adapter_inventory.h"
#include "storage/resource_status.h"

// Turns one line of the ESXi port listing ("localcli network nic list") into a port record,
// and holds the rules that turn a port's change of state and health into an event.
class NICPhysicalAdapter {
  public:
    // The listing's columns: Name, PCI Device, Driver, Admin Status, Link Status, Speed,
    // Duplex, MAC Address, MTU, Description.
    static const size_t LISTING_COLUMNS = 10;

    // Fills out from one listing row; 0, or -1 when the row cannot describe a port (the
    // caller then drops it).
    static int discoverPhyAdapterInventory(PhyAdapterInventory& out, std::vector<std::string>& row);

    // The "Firmware Version" of the port's details; out is left as it is when it cannot be
    // read. Only port names of [A-Za-z0-9_.-] are asked for.
    static void getFWVersion(const std::string& name, std::string& out);

    // Model and part number from the adapter table, by the four PCI IDs as hexadecimal text
    // ("0x14e4" or "14e4"; empty or unreadable text counts as 0).
    static void getNICModel(const std::string& vendor, const std::string& device,
                            const std::string& subVendor, const std::string& subDevice,
                            std::string& out);
    static std::string getPartNumValue(const std::string& vendor, const std::string& device,
                                       const std::string& subVendor, const std::string& subDevice);

    // Status code from the Link Status and Admin Status columns (compared ignoring case):
    // 1 up, 3 link unknown, 4 link down, 5 administratively down with the link down, 6
    // administratively down otherwise.
    static int get_adapter_status(const char* link, const char* admin);
    static void setNICStateHealthValues(int code, ORB_RESOURCE_STATE& state,
                                        ORB_RESOURCE_HEALTH& health);

    // Condition of a port between two builds: 4 link down, 3 offline and critical, 2 link back
    // up, 1 back online after offline-critical, -1 nothing to report.
    static void fetchNICAdapterCondition(const std::string& currentState,
                                         const std::string& currentHealth,
                                         const std::string& previousState,
                                         const std::string& previousHealth, const std::string& name,
                                         int& condition);
    // The event of a condition (0: none) and whether it reports a fault.
    static void setEventAttributes(int condition, int& eventCode, bool& flag);

  private:
    using IdPair = std::pair<std::string, std::string>;

    static IdPair cachedIds(std::map<std::string, IdPair>& cache, const std::string& pci,
                            bool subsystem);

    // PCI IDs last read per PCI address, so the hardware list is searched once per address.
    static std::map<std::string, IdPair> vendorDevice;
    static std::map<std::string, IdPair> subVendorDevice;
    static std::mutex cacheLock;
    // One port's details at a time go through the shared detail file.
    static std::mutex detailFileLock;
};
