#pragma once

#include <map>
#include <string>
#include <vector>

// What the host says about its Fibre Channel adapters: the VMkernel adapter name (vmhba3) of
// each node world-wide name, from "localcli storage san fc list", and the PCI address of each
// VMkernel adapter name, from "localcli hardware pci list". The HBA API knows neither.
//
// Nothing read here goes to a command line; still, only names, addresses and WWNs of the form
// the tools print are kept, so a garbled line cannot make one adapter pass for another.

// The "Address: " and "VMkernel Name: " lines of the hardware list: VMkernel name -> PCI
// address (lower-case SSSS:BB:DD.F). A name listed again keeps its first address.
std::map<std::string, std::string> fc_parse_topology(const std::vector<std::string>& lines);
// The "Adapter: " and "Node Name: " lines of the FC listing: node WWN (lower case, eight
// bytes joined by ':') -> VMkernel adapter name. The ports of one adapter share its node name.
std::map<std::string, std::string> fc_parse_node_names(const std::vector<std::string>& lines);

class orbFcHostMaps {
  public:
    // Each runs its localcli through the shell runner; false (the map left empty) when the
    // tool failed or was cut short by a stop.
    bool initFcInfoMap();
    bool initFcNameMap();
    // Builds the maps not built yet: a tool that failed once is asked again.
    void initMissingMaps();

    // The VMkernel adapter name of a node WWN, or empty.
    std::string getFcOsDevicename(const std::string& nodeWwn) const;
    // The PCI address of a VMkernel adapter name, or empty.
    std::string getFcPciStr(const std::string& osName) const;

  private:
    std::map<std::string, std::string> pciOfName;
    std::map<std::string, std::string> nameOfNode;
    bool infoBuilt = false;
    bool namesBuilt = false;
    bool infoFailureLogged = false;
    bool namesFailureLogged = false;
};
