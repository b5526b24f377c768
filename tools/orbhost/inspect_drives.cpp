// inspect drives [ADDRESS...]: the SAS/SATA drives of the host under ORB_ROOT, as the drive
// queries read them: identity from sysfs and the drive itself, health, temperature, wear,
// power-on hours and capacity.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/platform_path.h"
#include "core/owned_resources.h"
#include "host/sysfs_directory.h"
#include "orbhost.h"
#include "storage/scsi_queries.h"

namespace {

using Text = orbMallocText;
using Buffer = orbMallocBytes;

std::string trimmed(const char* text) {
    if (text == nullptr) {
        return std::string();
    }
    std::string value(text);
    size_t begin = value.find_first_not_of(' ');
    size_t end = value.find_last_not_of(' ');
    return begin == std::string::npos ? std::string() : value.substr(begin, end - begin + 1);
}

std::string owned(char* raw) {
    Text text(raw);
    return trimmed(text.get());
}

std::string failure(long long code) {
    return "unreadable (" + std::to_string(code) + ")";
}

std::string wearText(int wear) {
    constexpr int kWornOutPercent = 95;  // where the service reports a predictive failure
    if (wear < 0) {
        return failure(wear);
    }
    return std::to_string(wear) + " % used" + (wear >= kWornOutPercent ? ", worn out" : "");
}

struct DriveReport {
    std::string identity;
    std::string transport;
    std::string health;
    std::string temperature;
    std::string wear = "not reported";
    std::string powerOn;
};

std::string temperatureText(int current, int maximum) {
    std::string text = std::to_string(current) + " C";
    if (maximum > 0) {
        text += " (maximum " + std::to_string(maximum) + " C)";
        if (current > maximum) {
            text += ", too hot";
        }
    }
    return text;
}

void readSas(int fd, const std::string& address, DriveReport& report) {
    std::string vendor = owned(get_DiskVendor(address.c_str()));
    std::string model = owned(get_DiskModel(address.c_str()));
    std::string serial = owned(get_unit_sn_from_sysfs_vpd_pg80(address.c_str()));
    std::string revision = owned(get_sas_DiskRev(address.c_str()));
    report.identity = vendor + " " + model + ", serial " + serial + ", firmware " + revision;
    int rate = get_scsi_disk_medium_rotation_rate(fd);
    std::string media = media_type_from_rotation_rate(rate);
    report.transport = "SAS, " + (media.empty() ? std::string("unknown medium") : media);
    if (media == "HDD") {
        report.transport += " (" + std::to_string(rate) + " rpm)";
    }

    int health = get_sas_health(fd);
    char text[64];
    std::snprintf(text, sizeof(text), "informational exception %04Xh",
                  static_cast<unsigned>(health));
    report.health = health == 0 ? "OK" : health > 0 ? text : failure(health);

    Buffer page(get_sas_temp(fd));
    if (page) {
        report.temperature =
            temperatureText(sas_parse_current(page.get()), sas_parse_mcot(page.get()));
    } else {
        int current = get_unit_temp(fd);
        report.temperature = current >= 0 ? temperatureText(current, 0) : failure(current);
    }
    if (media == "SSD") {
        report.wear = wearText(get_sas_ssd_wear(fd));
    }
    long long hours = get_sas_pwron(fd);
    report.powerOn = hours >= 0 ? std::to_string(hours) + " hours" : failure(hours);
}

void readAta(int fd, DriveReport& report) {
    _ORB_ATA_IDENTIFY_INFO info;
    int code = get_ata_identify_device_info(fd, &info);
    if (code != 0) {
        report.identity = "IDENTIFY DEVICE " + failure(code);
        return;
    }
    report.identity = std::string(info.modelNumber) + ", serial " + info.serialNumber +
                      ", firmware " + info.firmwareRevision;
    std::string media = media_type_from_rotation_rate(info.rotationRate);
    report.transport = "SATA, " + (media.empty() ? std::string("unknown medium") : media);
    if (media == "HDD") {
        report.transport += " (" + std::to_string(info.rotationRate) + " rpm)";
    }

    int health = get_sata_health(fd);
    report.health = health == 0  ? "OK, no error logged"
                    : health > 0 ? "errors logged (latest entry " + std::to_string(health) + ")"
                                 : failure(health);

    unsigned char* raw = nullptr;
    size_t length = 0;
    code = get_sata_temp(fd, &raw, &length);
    Buffer page(raw);
    int current = 0;
    int maximum = 0;
    if (code != 0) {
        report.temperature = failure(code);
    } else if (sata_parse_current(page.get(), length, &current)) {
        sata_parse_mcot(page.get(), length, &maximum);
        report.temperature = temperatureText(current, maximum);
    } else {
        report.temperature = "not reported";
    }
    if (media == "SSD") {
        report.wear = wearText(get_sata_ssd_wear(fd));
    }
    long long hours = get_sata_pwron(fd);
    report.powerOn = hours >= 0 ? std::to_string(hours) + " hours" : failure(hours);
}

std::string blockName(const std::string& address) {
    for (const std::string& name : orbListSysfsDirectory(
             orbRootPath("/sys/class/scsi_device/" + address + "/device/block"))) {
        return name;
    }
    return "-";
}

bool inspectDrive(const std::string& address) {
    std::string generic = owned(get_ScsiGeneric(address.c_str()));
    std::printf("%s (%s, %s)\n", address.c_str(), generic.empty() ? "-" : generic.c_str(),
                blockName(address).c_str());
    if (!is_direct_access_block_device(address.c_str())) {
        std::printf("  not a direct-access block device\n\n");
        return true;
    }
    if (generic.empty()) {
        std::printf("  no SCSI generic device\n\n");
        return false;
    }
    orbFileDescriptor drive(
        open(orbRootPath("/dev/" + generic).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (drive.get() < 0) {
        std::printf("  cannot open /dev/%s\n\n", generic.c_str());
        return false;
    }
    DriveReport report;
    bool ata = owned(get_DiskVendor(address.c_str())) == "ATA";
    if (ata) {
        readAta(drive.get(), report);
    } else {
        readSas(drive.get(), address, report);
    }
    unsigned long long sectors = get_BlockSize(address.c_str());
    char capacity[64];
    std::snprintf(capacity, sizeof(capacity), "%llu bytes (%.2f TB)", sectors * 512,
                  static_cast<double>(sectors) * 512 / 1e12);
    std::printf("  identity     %s\n", report.identity.c_str());
    std::printf("  transport    %s\n", report.transport.c_str());
    std::printf("  health       %s\n", report.health.c_str());
    std::printf("  temperature  %s\n", report.temperature.c_str());
    std::printf("  wear         %s\n", report.wear.c_str());
    std::printf("  power-on     %s\n", report.powerOn.c_str());
    std::printf("  capacity     %s\n\n", capacity);
    return true;
}

int inspectDrives(const orbhost::Options&, const std::vector<std::string>& args) {
    std::vector<std::string> addresses =
        orbListSysfsDirectory(orbRootPath("/sys/class/scsi_device"));
    if (!args.empty()) {
        for (const std::string& wanted : args) {
            if (std::find(addresses.begin(), addresses.end(), wanted) == addresses.end()) {
                std::fprintf(stderr, "orbhost: no drive %s under /sys/class/scsi_device\n",
                             wanted.c_str());
                return 1;
            }
        }
        addresses = args;
    }
    if (addresses.empty()) {
        std::fprintf(stderr, "orbhost: no drives under %s\n",
                     orbRootPath("/sys/class/scsi_device").c_str());
        return 1;
    }
    bool allRead = true;
    for (const std::string& address : addresses) {
        allRead = inspectDrive(address) && allRead;
    }
    return allRead ? 0 : 1;
}

const orbhost::InspectCommand kInspectDrives("drives",
                                             "[ADDRESS...]  SAS/SATA drives and their health",
                                             inspectDrives);

}  // namespace
