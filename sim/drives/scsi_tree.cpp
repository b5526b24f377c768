#include "sim/drives/scsi_tree.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "sim/drives/drive_description.h"
#include "sim/drives/drive_pages.h"

namespace fs = std::filesystem;

namespace orbsim {
namespace {

struct PciFunction {
    std::string parent;  // below sys/devices, e.g. "pci0000:3a/0000:3a:00.0"
};

struct Host {
    int number = 0;
    std::string pci;
    int ata = -1;
    bool sas = false;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string directory;  // below sys/devices
};

std::string unescape(const std::string& value) {
    std::string text = value;
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

bool writeFile(const fs::path& path, const std::string& contents) {
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return static_cast<bool>(out);
}

bool writeBytes(const fs::path& path, const Bytes& bytes) {
    return writeFile(path, std::string(bytes.begin(), bytes.end()));
}

bool link(const fs::path& at, const std::string& target, std::string& error) {
    std::error_code code;
    fs::create_directories(at.parent_path(), code);
    fs::create_directory_symlink(target, at, code);
    if (code) {
        error = "cannot link " + at.string() + ": " + code.message();
        return false;
    }
    return true;
}

// "../" repeated: the way up from a folder `depth` levels below sys/.
std::string up(size_t depth) {
    std::string text;
    for (size_t i = 0; i < depth; ++i) {
        text += "../";
    }
    return text;
}

size_t depthOf(const std::string& relative) {
    return static_cast<size_t>(std::count(relative.begin(), relative.end(), '/')) + 1;
}

std::string hex64(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%016llx\n", static_cast<unsigned long long>(value));
    return text;
}

// The device number of a SCSI disk's block device, "major:minor", from its name: the disks are
// counted in the names' letters (sda 0, sdz 25, sdaa 26, ...), sixteen minors each, sixteen
// disks to each of the sd majors; past those the kernel gives the extended major 259.
std::string blockDeviceNumber(const std::string& block) {
    long index = 0;
    for (size_t i = 2; i < block.size(); ++i) {
        index = index * 26 + (block[i] - 'a' + 1);
    }
    index -= 1;
    static const int kMajors[] = {8,   65,  66,  67,  68,  69,  70,  71,
                                  128, 129, 130, 131, 132, 133, 134, 135};
    if (index < 0) {
        index = 0;
    }
    if (index < 256) {
        return std::to_string(kMajors[index / 16]) + ":" + std::to_string(index % 16 * 16);
    }
    return "259:" + std::to_string(index - 256);
}

std::string field(const std::string& text, size_t width) {
    std::string padded = text.substr(0, width);
    padded.resize(width, ' ');
    return padded;
}

bool writeHost(const fs::path& sys, const std::map<std::string, PciFunction>& pci, Host& host,
               std::string& error) {
    auto function = pci.find(host.pci);
    if (function == pci.end()) {
        error = "host" + std::to_string(host.number) + ": unknown PCI function " + host.pci;
        return false;
    }
    std::string name = "host" + std::to_string(host.number);
    std::string ataPort = host.ata >= 0 ? "ata" + std::to_string(host.ata) + "/" : "";
    host.directory = function->second.parent + "/" + host.pci + "/" + ataPort + name;
    std::string classDir = host.directory + "/scsi_host/" + name;
    fs::path hostClass = sys / "devices" / classDir;
    for (const auto& [attribute, value] : host.attributes) {
        writeFile(hostClass / attribute, unescape(value) + "\n");
    }
    // The device link climbs to the PCI function's parent so that its text names the PCI
    // address, as ESXi's links do.
    size_t toParent = depthOf(classDir) - depthOf(function->second.parent);
    std::string deviceTarget = up(toParent) + host.pci + "/" + ataPort + name;
    return link(hostClass / "device", deviceTarget, error) &&
           link(sys / "class" / "scsi_host" / name, "../../devices/" + classDir, error);
}

bool writeDrive(const fs::path& root, const fs::path& sys, const Host& host,
                const std::vector<std::string>& words, std::string& error) {
    const std::string& generic = words[1];
    const std::string& address = words[2];
    const std::string& block = words[3];
    DriveDescription drive;
    if (!readDriveDescription((root / "dev" / generic).string(), drive, error)) {
        return false;
    }
    int h = 0, c = 0, t = 0, l = 0;
    if (std::sscanf(address.c_str(), "%d:%d:%d:%d", &h, &c, &t, &l) != 4) {
        error = "bad SCSI address " + address;
        return false;
    }
    std::string target =
        "target" + std::to_string(h) + ":" + std::to_string(c) + ":" + std::to_string(t);
    std::string parent = host.directory + "/";
    if (host.sas) {
        std::string port = std::to_string(h) + ":" + std::to_string(t);
        parent += "port-" + port + "/end_device-" + port + "/";
    }
    std::string deviceDir = parent + target + "/" + address;
    fs::path device = sys / "devices" / deviceDir;

    Bytes page;
    writeBytes(device / "inquiry", standardInquiry(drive));
    vpdPage(drive, 0x80, page);
    writeBytes(device / "vpd_pg80", page);
    vpdPage(drive, 0x83, page);
    writeBytes(device / "vpd_pg83", page);
    writeFile(device / "vendor", field(drive.isAta() ? "ATA" : drive.vendor, 8) + "\n");
    writeFile(device / "model", field(drive.model, 16) + "\n");
    Bytes inquiry = standardInquiry(drive);
    writeFile(device / "rev", std::string(inquiry.begin() + 32, inquiry.begin() + 36) + "\n");
    writeFile(device / "type", "0\n");
    writeFile(device / "scsi_level", "7\n");
    writeFile(device / "state", "running\n");
    writeFile(device / "queue_depth", drive.isAta() ? "31\n" : "254\n");
    writeFile(device / "timeout", "30\n");
    if (host.sas) {
        writeFile(device / "sas_address", hex64(drive.sasAddress));
    }
    for (size_t i = 4; i < words.size(); ++i) {
        size_t equals = words[i].find('=');
        if (equals == std::string::npos) {
            error = "drive " + generic + ": expected attribute=value, got " + words[i];
            return false;
        }
        writeFile(device / words[i].substr(0, equals),
                  unescape(words[i].substr(equals + 1)) + "\n");
    }
    writeFile(device / "block" / block / "size", std::to_string(drive.capacityBytes / 512) + "\n");
    writeFile(device / "block" / block / "dev", blockDeviceNumber(block) + "\n");
    writeFile(device / "scsi_generic" / generic / "dev", "21:" + generic.substr(2) + "\n");

    return link(device / "block" / block / "device", "../../../" + address, error) &&
           link(device / "scsi_device" / address / "device", "../../../" + address, error) &&
           link(device / "scsi_generic" / generic / "device", "../../../" + address, error) &&
           link(sys / "class" / "scsi_device" / address,
                "../../devices/" + deviceDir + "/scsi_device/" + address, error) &&
           link(sys / "class" / "scsi_generic" / generic,
                "../../devices/" + deviceDir + "/scsi_generic/" + generic, error) &&
           link(sys / "block" / block, "../devices/" + deviceDir + "/block/" + block, error);
}

}  // namespace

bool writeScsiTree(const std::string& layoutPath, const std::string& hostRoot, std::string& error) {
    std::ifstream layout(layoutPath);
    if (!layout) {
        error = "cannot read " + layoutPath;
        return false;
    }
    fs::path root(hostRoot);
    fs::path sys = root / "sys";
    std::error_code ignored;
    for (const char* tree :
         {"devices", "block", "class/scsi_host", "class/scsi_device", "class/scsi_generic"}) {
        fs::remove_all(sys / tree, ignored);
    }

    std::map<std::string, PciFunction> pci;
    std::map<int, Host> hosts;
    std::string line;
    int number = 0;
    while (std::getline(layout, line)) {
        ++number;
        std::istringstream in(line.substr(0, line.find('#')));
        std::vector<std::string> words;
        for (std::string word; in >> word;) {
            words.push_back(word);
        }
        if (words.empty()) {
            continue;
        }
        std::string where = layoutPath + ":" + std::to_string(number) + ": ";
        if (words[0] == "pci" && words.size() == 8) {
            pci[words[1]].parent = words[2];
            fs::path function = sys / "devices" / words[2] / words[1];
            const char* names[] = {"vendor", "device", "subsystem_vendor", "subsystem_device",
                                   "class"};
            for (size_t i = 0; i < 5; ++i) {
                writeFile(function / names[i], "0x" + words[3 + i] + "\n");
            }
        } else if (words[0] == "host" && words.size() >= 3) {
            Host host;
            host.number = std::stoi(words[1]);
            host.pci = words[2];
            for (size_t i = 3; i < words.size(); ++i) {
                size_t equals = words[i].find('=');
                if (words[i] == "sas") {
                    host.sas = true;
                } else if (words[i].compare(0, 4, "ata=") == 0) {
                    host.ata = std::stoi(words[i].substr(4));
                } else if (equals != std::string::npos) {
                    host.attributes.emplace_back(words[i].substr(0, equals),
                                                 words[i].substr(equals + 1));
                } else {
                    error = where + "unknown host option " + words[i];
                    return false;
                }
            }
            if (!writeHost(sys, pci, host, error)) {
                error = where + error;
                return false;
            }
            hosts[host.number] = host;
        } else if (words[0] == "drive" && words.size() >= 4) {
            int hostNumber = std::atoi(words[2].c_str());
            auto host = hosts.find(hostNumber);
            if (host == hosts.end()) {
                error = where + "drive on unknown host " + std::to_string(hostNumber);
                return false;
            }
            if (!writeDrive(root, sys, host->second, words, error)) {
                error = where + error;
                return false;
            }
        } else {
            error = where + "cannot read '" + line + "'";
            return false;
        }
    }
    return true;
}

}  // namespace orbsim
