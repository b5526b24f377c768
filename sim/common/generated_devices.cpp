#include "sim/common/generated_devices.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace orbsim {
namespace {

bool readText(const fs::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeText(const fs::path& path, const std::string& text, bool append = false) {
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out << text;
    return static_cast<bool>(out);
}

bool failed(std::string& error, const std::string& why) {
    error = why;
    return false;
}

// Answers "network nic get -n NAME" for any port of the listing next to it, from the port's
// row: its PCI function, driver, link and address.
const char* const kNicGet = R"(#!/usr/bin/env bash
# "localcli network nic get -n vmnicN" on a host with generated ports: the details of any port
# of the listing beside this script.
set -u
[ "${1:-}" = "-n" ] && [ $# -eq 2 ] || { echo "Error: Missing required parameter -n|--nic-name" >&2; exit 1; }
read -r pci driver link mac < <(awk -v name="$2" 'NR > 2 && $1 == name { print $2, $3, $5, $8 }' \
    "$(dirname "$0")/list")
[ -n "${link:-}" ] || { echo "Error: Unable to find NIC $2" >&2; exit 1; }
if [ "$driver" = icen ]; then
    fw="4.20 0x80017785 1.3346.0"; version="1.11.2.0"; ports=FIBRE
else
    fw="225.0.145.0/pkg 225.1.111.0"; version="225.0.152.0"; ports=DA
fi
if [ "$link" = Up ]; then detected=true; else detected=false; fi
cat <<DETAILS
   Auto Negotiation: true
   Cable Type: $ports
   Driver Info:
         Bus Info: ${pci%.*}:${pci##*.}
         Driver: $driver
         Firmware Version: $fw
         Version: $version
   Link Detected: $detected
   Link Status: $link
   Name: $2
   Supported Ports: $ports
   Virtual Address: $mac
DETAILS
)";

}  // namespace

bool writeNicPorts(const std::string& root, int ports, std::string& error) {
    struct Function {
        const char* address;
        const char* driver;
        const char* mac;  // the first three bytes
        const char* description;
    };
    const Function functions[] = {
        {"0000:18:00.0", "bnxtnet", "00:0a:f7", "Broadcom BCM57414 NetXtreme-E 10Gb/25Gb RDMA"},
        {"0000:18:00.1", "bnxtnet", "00:0a:f7", "Broadcom BCM57414 NetXtreme-E 10Gb/25Gb RDMA"},
        {"0000:af:00.0", "icen", "b4:96:91", "Intel(R) Ethernet Controller E810-XXV for SFP"},
    };
    if (ports < 1 || ports > 65536) {
        return failed(error, "between 1 and 65536 network ports");
    }
    std::string listing =
        "Name      PCI Device    Driver   Admin Status  Link Status  Speed  Duplex  MAC "
        "Address         MTU  Description\n"
        "--------  ------------  -------  ------------  -----------  -----  ------  "
        "-----------------  ----  -----------\n";
    for (int port = 0; port < ports; ++port) {
        const Function& function = functions[port % 3];
        const bool up = port % 5 != 1;
        char row[256];
        std::snprintf(row, sizeof(row),
                      "vmnic%-3d  %s  %-7s  Up            %-4s         %5d  %-6s  "
                      "%s:9c:%02x:%02x  1500  %s\n",
                      port, function.address, function.driver, up ? "Up" : "Down", up ? 25000 : 0,
                      up ? "Full" : "Half", function.mac, port / 256, port % 256,
                      function.description);
        listing += row;
    }
    const fs::path nic = fs::path(root) / "bin/localcli.d/network/nic";
    if (!writeText(nic / "list", listing) || !writeText(nic / "get", kNicGet) ||
        chmod((nic / "get").c_str(), 0755) != 0) {
        return failed(error, "cannot write the network ports below " + nic.string());
    }
    return true;
}

std::string fcAdapterDescription(int adapters) {
    std::string text;
    for (int adapter = 0; adapter < adapters; ++adapter) {
        char block[640];
        std::snprintf(block, sizeof(block),
                      "adapter com.emulex-LPe32002-M2-%d\nos-name vmhba%d\n"
                      "manufacturer Emulex Corporation\nmodel LPe32002-M2\n"
                      "serial FC8421337%d\nfirmware 12.8.542.21\nrom 12.8.542.21\n"
                      "node 20:00:00:10:9b:7e:3c:%02x\n"
                      "port 10:00:00:10:9b:7e:3c:%02x Online\n"
                      "port 10:00:00:10:9b:7e:3d:%02x Online\n",
                      adapter, adapter == 0 ? 3 : 95 + adapter, adapter, 0x41 + adapter,
                      0x41 + adapter, 0x41 + adapter);
        text += block;
    }
    return text;
}

std::string fcAdapterPciBlocks(int adapters) {
    std::string pci;
    for (int adapter = 1; adapter < adapters; ++adapter) {
        const int bus = 0x86 + adapter;
        char block[512];
        std::snprintf(block, sizeof(block),
                      "0000:%02x:00.0\n   Address: 0000:%02x:00.0\n   Segment: 0x0000\n"
                      "   Bus: 0x%02x\n   Slot: 0x00\n   Function: 0x0\n"
                      "   VMkernel Name: vmhba%d\n   Vendor Name: Emulex Corporation\n"
                      "   Device Name: LPe32000 PCIe Fibre Channel Adapter\n"
                      "   Vendor ID: 0x10df\n   Device ID: 0xe300\n   SubVendor ID: 0x10df\n"
                      "   SubDevice ID: 0xe310\n   Device Class: 0x0c04\n\n",
                      bus, bus, bus, 95 + adapter);
        pci += block;
    }
    return pci;
}

bool writeFcAdapters(const std::string& root, int adapters, std::string& error) {
    // Buses 87h on are free on the default host; past 0x9f they would meet its other cards.
    if (adapters < 1 || adapters > 25) {
        return failed(error, "between 1 and 25 Fibre Channel adapters");
    }
    const fs::path top(root);
    if (!writeText(top / "var/lib/sim-hba/libhbaapi-emulex.adapters",
                   fcAdapterDescription(adapters)) ||
        !writeText(top / "bin/localcli.d/hardware/pci/list", fcAdapterPciBlocks(adapters), true)) {
        return failed(error, "cannot write the Fibre Channel adapters below " + root);
    }
    return true;
}

bool writeNvmeDrives(const std::string& root, int drives, std::string& error) {
    if (drives < 2 || drives > 1000) {
        return failed(error, "between 2 and 1000 NVMe drives");
    }
    const fs::path data = fs::path(root) / "var/lib/sim-nvme";
    std::string identify;
    std::string smart;
    if (!readText(data / "vmhba4/identify", identify) || !readText(data / "vmhba4/smart", smart)) {
        return failed(error, "the host has no NVMe drive vmhba4 to copy");
    }
    const std::string hostSerial = "S55JNC0R700123";
    std::string adapters = "vmhba4 nvmeMgmt-nvmhba0\nvmhba5 nvmeMgmt-nvmhba1\n";
    for (int d = 2; d < drives; ++d) {
        const std::string name = "vmhba" + std::to_string(198 + d);
        char serial[32];
        std::snprintf(serial, sizeof(serial), "S55JNC0R7%05d", d);
        std::string text = identify;
        for (size_t at = text.find(hostSerial); at != std::string::npos;
             at = text.find(hostSerial, at + 1)) {
            text.replace(at, hostSerial.size(), serial);
        }
        const std::string namespaces = std::string("1 Online eui.00253858") + serial +
                                       "01 4096 512 3000000000 512e\n"
                                       "2 Online eui.00253858" +
                                       serial + "02 4096 512 4501476528 512e\n";
        if (!writeText(data / name / "identify", text) ||
            !writeText(data / name / "smart", smart) ||
            !writeText(data / name / "namespaces", namespaces)) {
            return failed(error, "cannot write the NVMe drive " + name);
        }
        adapters += name + " nvmeMgmt-nvmhba" + std::to_string(d) + "\n";
    }
    if (!writeText(data / "adapters", adapters)) {
        return failed(error, "cannot write " + (data / "adapters").string());
    }
    return true;
}

bool writeMegaraidDrives(const std::string& root, int drives, std::string& error) {
    const int hostDrives = 5;
    if (drives < hostDrives || drives > 240) {
        return failed(error, "between 5 and 240 MegaRAID drives");
    }
    const fs::path path = fs::path(root) / "var/lib/sim-storelib/controllers";
    std::string description;
    if (!readText(path, description)) {
        return failed(error, "the host has no MegaRAID description " + path.string());
    }
    // The extra drives go after the host's last drive line, before its volumes.
    const size_t volumes = description.find("\nld ");
    std::string extra;
    for (int slot = hostDrives; slot < drives; ++slot) {
        char line[256];
        std::snprintf(line, sizeof(line),
                      "pd 0 %d 252:%d state=0x00 interface=SAS media=HDD vendor=SEAGATE "
                      "product=ST1200MM0009 revision=N003 serial=WFK9MR%02X blocks=2344225968\n",
                      8 + slot, slot, slot);
        extra += line;
    }
    if (volumes == std::string::npos) {
        description += extra;
    } else {
        description.insert(volumes + 1, extra);
    }
    if (!writeText(path, description)) {
        return failed(error, "cannot write " + path.string());
    }
    return true;
}

}  // namespace orbsim
