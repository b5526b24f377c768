#include "sim/common/large_host.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "sim/common/generated_devices.h"
#include "sim/common/simulated_host_copy.h"
#include "sim/common/smbios_builder.h"
#include "sim/drives/scsi_tree.h"

namespace fs = std::filesystem;

namespace orbsim {
namespace {

// The default host's card in slot 1, which the generated controllers replace.
const char* const kReplacedCard = "0000:3b:00.0";
const uint8_t kFirstBus = 0x3b;
const char* const kPciList = "bin/localcli.d/hardware/pci/list";

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    char text[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof(text), pattern, args);
    va_end(args);
    return text;
}

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

bool readText(const fs::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return static_cast<bool>(in) || in.eof();
}

bool writeText(const fs::path& path, const std::string& text) {
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

// sda is 0, sdz 25, sdaa 26: the kernel's names count in letters without a zero.
std::string diskName(int index) {
    std::string letters;
    for (int n = index + 1; n > 0; n = (n - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('a' + (n - 1) % 26));
    }
    return "sd" + letters;
}

int diskIndex(const std::string& name) {
    int index = 0;
    for (size_t i = 2; i < name.size(); ++i) {
        index = index * 26 + (name[i] - 'a' + 1);
    }
    return index - 1;
}

// The layout items the generated host keeps: everything but the replaced card, its SCSI hosts
// and their drives.
struct KeptLayout {
    std::vector<std::string> pci, hosts, drives;
    std::set<int> hostNumbers;
    int nextGeneric = 0;
    int nextDisk = 0;
    std::vector<std::string> droppedGenerics;
};

bool readLayout(const std::string& path, KeptLayout& kept, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::set<int> dropped;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> words = wordsOf(line);
        if (words.size() < 3) {
            continue;
        }
        if (words[0] == "pci" && words[1] != kReplacedCard) {
            kept.pci.push_back(line);
        } else if (words[0] == "host") {
            const int number = std::stoi(words[1]);
            if (words[2] == kReplacedCard) {
                dropped.insert(number);
            } else {
                kept.hostNumbers.insert(number);
                kept.hosts.push_back(line);
            }
        } else if (words[0] == "drive" && words.size() >= 4) {
            if (dropped.count(std::atoi(words[2].c_str())) != 0) {
                kept.droppedGenerics.push_back(words[1]);
                continue;
            }
            kept.drives.push_back(line);
            kept.nextGeneric = std::max(kept.nextGeneric, std::atoi(words[1].c_str() + 2) + 1);
            kept.nextDisk = std::max(kept.nextDisk, diskIndex(words[3]) + 1);
        }
    }
    return true;
}

// The blocks of "localcli hardware pci list", by address.
std::map<std::string, std::string> pciBlocks(const std::string& list) {
    std::map<std::string, std::string> blocks;
    std::istringstream in(list);
    std::string block;
    std::string address;
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            if (!address.empty()) {
                blocks[address] = block;
            }
            block.clear();
            address.clear();
            continue;
        }
        if (block.empty()) {
            address = line;
        }
        block += line + "\n";
    }
    if (!address.empty()) {
        blocks[address] = block;
    }
    return blocks;
}

// The template block with one controller's address, bus, name and slot.
std::string pciBlockFor(const std::string& templ, uint8_t bus, int vmhba, int slot) {
    const std::string address = format("0000:%02x:00.0", bus);
    std::istringstream in(templ);
    std::string block;
    for (std::string line; std::getline(in, line);) {
        const size_t colon = line.find(": ");
        const std::string label = colon == std::string::npos ? "" : line.substr(0, colon + 2);
        if (block.empty()) {
            line = address;
        } else if (label == "   Address: ") {
            line = label + address;
        } else if (label == "   Bus: ") {
            line = label + format("0x%02x", bus);
        } else if (label == "   VMkernel Name: ") {
            line = label + format("vmhba%d", vmhba);
        } else if (label == "   Physical Slot: ") {
            line = label + std::to_string(slot);
        } else if (label == "   Slot Description: ") {
            line = label + format("PCIe Slot %d", slot);
        } else if (label == "   Device Layer Bus Address: ") {
            line = label + format("s%08x.00", bus);
        } else if (label == "   Parent Device: ") {
            line = label + format("PCI 0000:%02x:00.0", bus - 1);
        } else if (label == "   Dependent Device: ") {
            line = label + "PCI " + address;
        }
        block += line + "\n";
    }
    return block;
}

struct DriveModel {
    const char* kind;
    const char* vendor;  // SAS drives only
    const char* model;
    const char* serialPattern;  // controller and drive numbers in hexadecimal
    const char* firmware;
    uint64_t capacity;
    int rotationRate;
    uint64_t wwnBase;
};

// Models the maker ships (each has a part number), in turn: SAS HDD, SAS SSD, SATA SSD and
// SATA HDD.
const DriveModel kModels[] = {
    {"sas-hdd", "SEAGATE", "ST1200MM0009", "WFL%02X%03X", "N003", 1200243695616ull, 10500,
     0x5000c50000000000ull},
    {"sas-ssd", "TOSHIBA", "PX05SMB080Y", "Y7L%02X%03XTE9F", "AS0C", 800166076416ull, 0,
     0x58ce38ee00000000ull},
    {"sata-ssd", nullptr, "INTEL SSDSC2KG480G8", "PHYL%02X%03X480BGN", "XCV10132", 480103981056ull,
     0, 0x55cd2e4000000000ull},
    {"sata-hdd", nullptr, "TOSHIBA MG04ACA400N", "58LC%02X%03XBC", "FJ2D", 4000787030016ull, 7200,
     0x5000039000000000ull},
};

std::string driveDescription(int controller, int drive, uint64_t portAddress, int target) {
    const DriveModel& model = kModels[drive % 4];
    const uint64_t wwn =
        model.wwnBase | static_cast<uint64_t>(controller) << 16 | static_cast<uint64_t>(drive) << 4;
    const bool sas = model.vendor != nullptr;
    std::string text = format("# %s in bay %d behind generated SmartRAID controller %d: healthy.\n",
                              model.kind, drive, controller);
    text += format("kind = %s\n", model.kind);
    if (sas) {
        text += format("vendor = %s\n", model.vendor);
    }
    text += format("model = %s\n", model.model);
    text += "serial = " + format(model.serialPattern, controller, drive) + "\n";
    text += format("firmware = %s\n", model.firmware);
    text += format("capacity = %" PRIu64 "\n", model.capacity);
    if (model.rotationRate != 0) {
        text += format("rotation-rate = %d\n", model.rotationRate);
    }
    text += "condition = healthy\n";
    text += format("power-on-hours = %d\n", 1000 + 37 * drive + 5 * controller);
    // A SAS drive's target port has the address after its logical unit's name; a SATA drive
    // takes one from the controller's port it hangs on.
    const uint64_t address = sas ? wwn + 1 : portAddress + 1 + static_cast<uint64_t>(target);
    text += format("sas-address = %016" PRIx64 "\n", address);
    text += format("wwn = %016" PRIx64 "\n", wwn);
    if (!sas) {
        text += "protocol-page = yes\n";
    }
    return text;
}

}  // namespace

bool writeLargeHost(const LargeHostShape& shape, const std::string& root, std::string& error) {
    if (shape.controllers < 1 || shape.controllers > 90 || shape.drivesPerController < 1 ||
        shape.drivesPerController > 1000) {
        error = "between 1 and 90 controllers, each with 1 to 1000 drives";
        return false;
    }
    std::error_code code;
    if (fs::exists(root) && !fs::is_empty(root, code)) {
        error = root + " exists and is not empty";
        return false;
    }
    KeptLayout kept;
    if (!readLayout(shape.layout, kept, error) ||
        !copySimulatedHost(shape.defaultHost, shape.overlay, root, error)) {
        return false;
    }
    const fs::path top(root);
    for (const std::string& generic : kept.droppedGenerics) {
        fs::remove(top / "dev" / generic, code);
    }

    std::string list;
    if (!readText(top / kPciList, list)) {
        error = "cannot read " + (top / kPciList).string();
        return false;
    }
    std::map<std::string, std::string> blocks = pciBlocks(list);
    auto card = blocks.find(kReplacedCard);
    if (card == blocks.end()) {
        error = std::string("the host's PCI list has no ") + kReplacedCard;
        return false;
    }
    const std::string templ = card->second;
    blocks.erase(card);
    std::set<int> usedBuses;
    int lastVmhba = 0;
    for (const auto& [address, block] : blocks) {
        usedBuses.insert(std::stoi(address.substr(5, 2), nullptr, 16));
        const size_t name = block.find("VMkernel Name: vmhba");
        if (name != std::string::npos) {
            lastVmhba = std::max(lastVmhba, std::atoi(block.c_str() + name + 20));
        }
    }

    std::string layout =
        "# Written by orb_large_host: the default host with generated SmartRAID controllers.\n";
    for (const std::string& line : kept.pci) {
        layout += line + "\n";
    }
    std::string hostLines;
    std::string driveLines;
    for (const std::string& line : kept.hosts) {
        hostLines += line + "\n";
    }
    for (const std::string& line : kept.drives) {
        driveLines += line + "\n";
    }

    std::vector<SmbiosSlotCard> slots;
    // Slot 1's bus first, then free buses from 21h on, each below a root port of its own on
    // the bus before it (as bus 3bh is below 0000:3a:00.0).
    std::vector<int> buses = {kFirstBus};
    for (int candidate = 0x21; candidate < 0xfe; candidate += 2) {
        if (usedBuses.count(candidate) == 0 && usedBuses.count(candidate - 1) == 0) {
            buses.push_back(candidate);
        }
    }
    if (static_cast<size_t>(shape.controllers) > buses.size()) {
        error = "not enough free PCI buses";
        return false;
    }
    int hostNumber = 0;
    int generic = kept.nextGeneric;
    int disk = kept.nextDisk;
    for (int c = 0; c < shape.controllers; ++c) {
        const int bus = buses[static_cast<size_t>(c)];
        const int slot = c == 0 ? 1 : 7 + c;
        const int vmhba = c == 0 ? 1 : ++lastVmhba;
        const std::string address = format("0000:%02x:00.0", bus);
        blocks[address] = pciBlockFor(templ, static_cast<uint8_t>(bus), vmhba, slot);
        slots.push_back(
            {static_cast<uint16_t>(slot),
             format("PCIe Slot %d [r001u01p%di%02d]", slot, std::min(9, (slot + 1) / 2), slot),
             static_cast<uint8_t>(bus)});
        layout += format("pci %s pci0000:%02x/0000:%02x:00.0 9005 028f 9005 1380 010400\n",
                         address.c_str(), bus - 1, bus - 1);

        const uint64_t port[2] = {0x50000d1e01000000ull | static_cast<uint64_t>(c) << 12,
                                  (0x50000d1e01000000ull | static_cast<uint64_t>(c) << 12) + 0x800};
        const uint64_t enclosure = 0x50000d1e02000000ull | static_cast<uint64_t>(c) << 12 | 0x3e;
        int hosts[2];
        for (int p = 0; p < 2; ++p) {
            while (kept.hostNumbers.count(hostNumber) != 0) {
                ++hostNumber;
            }
            hosts[p] = hostNumber++;
            hostLines += format(
                "host %d %s sas proc_name=smartpqi state=Running firmware_revision=5.61-0 "
                "board_tracer=SR3154G%02d%05d host_sas_address=0x%016" PRIx64 "\n",
                hosts[p], address.c_str(), c, c, port[p]);
        }
        const int firstPort = (shape.drivesPerController + 1) / 2;
        for (int d = 0; d < shape.drivesPerController; ++d) {
            const int p = d < firstPort ? 0 : 1;
            const int target = p == 0 ? d : d - firstPort;
            const std::string name = "sg" + std::to_string(generic++);
            if (!writeText(top / "dev" / name, driveDescription(c, d, port[p], target))) {
                error = "cannot write " + (top / "dev" / name).string();
                return false;
            }
            driveLines +=
                format("drive %s %d:0:%d:0 %s enclosure_identifier=0x%016" PRIx64
                       " bay_identifier=%d connector_name=CN%d enclosure_level=0\n",
                       name.c_str(), hosts[p], target, diskName(disk++).c_str(), enclosure, d, p);
        }
    }
    layout += hostLines + driveLines;

    std::string pciList;
    for (const auto& [address, block] : blocks) {
        pciList += block + "\n";
    }
    const fs::path layoutPath = top / ".large-host.layout";
    std::vector<uint8_t> smbios = smbiosImageForHost("default", slots);
    if (!writeText(layoutPath, layout) || !writeText(top / kPciList, pciList) ||
        !writeText(top / "vmfs/devices/char/mem/smbios",
                   std::string(smbios.begin(), smbios.end()))) {
        error = "cannot write the host's files below " + root;
        return false;
    }
    if ((shape.nicPorts > 0 && !writeNicPorts(root, shape.nicPorts, error)) ||
        (shape.fcAdapters > 0 && !writeFcAdapters(root, shape.fcAdapters, error)) ||
        (shape.nvmeDrives > 0 && !writeNvmeDrives(root, shape.nvmeDrives, error)) ||
        (shape.megaraidDrives > 0 && !writeMegaraidDrives(root, shape.megaraidDrives, error))) {
        return false;
    }
    return writeScsiTree(layoutPath.string(), root, error);
}

}  // namespace orbsim
