#include "sim/drives/drive_description.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace orbsim {
namespace {

std::string trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return std::string();
    }
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool parseNumber(const std::string& text, int base, unsigned long long& value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, base);
    return errno == 0 && end != nullptr && *end == '\0' && text[0] != '-';
}

// A number of at most `maximum`, stored in a field of any integer type.
template <typename T>
bool readNumber(const std::string& text, int base, unsigned long long maximum, T& field) {
    unsigned long long value = 0;
    if (!parseNumber(text, base, value) || value > maximum) {
        return false;
    }
    field = static_cast<T>(value);
    return true;
}

bool parseFault(const std::string& text, DriveFault& fault) {
    static const std::map<std::string, FaultKind> kinds = {
        {"illegal-request", FaultKind::IllegalRequest},
        {"aborted-command", FaultKind::AbortedCommand},
        {"medium-error", FaultKind::MediumError},
        {"check-without-sense", FaultKind::CheckWithoutSense},
        {"host-error", FaultKind::HostError},
        {"short", FaultKind::ShortData},
        {"wrong-page", FaultKind::WrongPage},
        {"overlong", FaultKind::OverlongLength},
        {"bad-residual", FaultKind::BadResidual},
        {"bad-checksum", FaultKind::BadChecksum},
        {"ioctl-failure", FaultKind::IoctlFailure},
    };
    std::istringstream words(text);
    std::string command;
    std::string kindText;
    std::string extra;
    if (!(words >> command >> kindText) || (words >> extra)) {
        return false;
    }
    unsigned long long bytes = 0;
    size_t colon = kindText.find(':');
    if (colon != std::string::npos) {
        if (!parseNumber(kindText.substr(colon + 1), 10, bytes)) {
            return false;
        }
        kindText.resize(colon);
    }
    auto found = kinds.find(kindText);
    if (found == kinds.end() ||
        (found->second == FaultKind::ShortData) != (colon != std::string::npos)) {
        return false;
    }
    fault.command = command;
    fault.kind = found->second;
    fault.bytes = static_cast<size_t>(bytes);
    return true;
}

// Health figures that go with a kind and a condition, before explicit keys override them.
void applyCondition(DriveDescription& drive) {
    drive.rotationRate = drive.isSsd() ? 1 : 7200;
    drive.temperature = drive.isSsd() ? 31 : 34;
    drive.maxTemperature = drive.isSsd() ? 70 : 60;
    drive.wear = drive.isSsd() ? 3 : 0;
    switch (drive.condition) {
        case DriveCondition::Healthy:
            break;
        case DriveCondition::Failing:
            drive.exception = 0x5D10;  // hardware impending failure, general hard drive failure
            drive.errorCount = 3;
            drive.grownDefects = 214;
            break;
        case DriveCondition::Hot:
            drive.temperature = drive.maxTemperature + 6;
            break;
        case DriveCondition::Worn:
            drive.wear = 98;
            break;
    }
}

}  // namespace

const DriveFault* DriveDescription::faultFor(const std::string& command) const {
    for (const DriveFault& fault : faults) {
        if (fault.command == command || fault.command == "*") {
            return &fault;
        }
    }
    return nullptr;
}

bool parseDriveDescription(const std::string& text, DriveDescription& drive, std::string& error) {
    static const std::map<std::string, DriveKind> kinds = {{"sas-hdd", DriveKind::SasHdd},
                                                           {"sas-ssd", DriveKind::SasSsd},
                                                           {"sata-hdd", DriveKind::SataHdd},
                                                           {"sata-ssd", DriveKind::SataSsd}};
    static const std::map<std::string, DriveCondition> conditions = {
        {"healthy", DriveCondition::Healthy},
        {"failing", DriveCondition::Failing},
        {"hot", DriveCondition::Hot},
        {"worn", DriveCondition::Worn}};
    static const std::map<std::string, SenseFormat> senseFormats = {
        {"fixed", SenseFormat::Fixed},
        {"fixed-valid", SenseFormat::FixedValid},
        {"fixed-deferred", SenseFormat::FixedDeferred},
        {"descriptor", SenseFormat::Descriptor},
        {"descriptor-deferred", SenseFormat::DescriptorDeferred}};

    drive = DriveDescription();
    std::vector<std::pair<std::string, std::string>> settings;
    std::map<std::string, int> lineOf;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::string content = trim(line.substr(0, line.find('#')));
        if (content.empty()) {
            continue;
        }
        size_t equals = content.find('=');
        if (equals == std::string::npos) {
            error = "line " + std::to_string(number) + ": expected key = value";
            return false;
        }
        std::string key = trim(content.substr(0, equals));
        settings.emplace_back(key, trim(content.substr(equals + 1)));
        lineOf[key] = number;
    }

    // Kind and condition first: they choose the defaults of everything else.
    for (const auto& [key, value] : settings) {
        if (key == "kind" || key == "condition") {
            bool known = key == "kind" ? kinds.count(value) > 0 : conditions.count(value) > 0;
            if (!known) {
                error =
                    "line " + std::to_string(lineOf[key]) + ": unknown " + key + " '" + value + "'";
                return false;
            }
            if (key == "kind") {
                drive.kind = kinds.at(value);
            } else {
                drive.condition = conditions.at(value);
            }
        }
    }
    applyCondition(drive);
    if (drive.isAta()) {
        drive.vendor = "ATA";
        drive.protocolPage = false;
    }

    for (const auto& setting : settings) {
        const std::string& key = setting.first;
        const std::string& value = setting.second;
        bool ok = true;
        if (key == "kind" || key == "condition") {
        } else if (key == "vendor") {
            drive.vendor = value;
        } else if (key == "model") {
            drive.model = value;
        } else if (key == "serial") {
            drive.serial = value;
        } else if (key == "firmware") {
            drive.firmware = value;
        } else if (key == "capacity") {
            ok = readNumber(value, 10, ~0ULL, drive.capacityBytes);
        } else if (key == "logical-block") {
            ok = readNumber(value, 10, 0xFFFFFFFFULL, drive.logicalBlock) &&
                 drive.logicalBlock >= 512;
        } else if (key == "rotation-rate") {
            ok = readNumber(value, 10, 0xFFFF, drive.rotationRate);
        } else if (key == "temperature") {
            ok = readNumber(value, 10, 255, drive.temperature);
        } else if (key == "max-temperature") {
            ok = readNumber(value, 10, 255, drive.maxTemperature);
        } else if (key == "wear") {
            ok = readNumber(value, 10, 255, drive.wear);
        } else if (key == "power-on-hours") {
            ok = readNumber(value, 10, 0xFFFFFFFFULL, drive.powerOnHours);
        } else if (key == "exception") {
            ok = readNumber(value, 16, 0xFFFF, drive.exception);
        } else if (key == "error-count") {
            ok = readNumber(value, 10, 0xFFFF, drive.errorCount);
        } else if (key == "grown-defects") {
            ok = readNumber(value, 10, 4096, drive.grownDefects);
        } else if (key == "wwn") {
            ok = readNumber(value, 16, ~0ULL, drive.wwn);
        } else if (key == "sas-address") {
            ok = readNumber(value, 16, ~0ULL, drive.sasAddress);
        } else if (key == "link-rate") {
            ok = readNumber(value, 16, 0x0F, drive.linkRate);
        } else if (key == "vex-log" || key == "protocol-page") {
            ok = value == "yes" || value == "no";
            (key == "vex-log" ? drive.vexLog : drive.protocolPage) = value == "yes";
        } else if (key == "sense-format") {
            ok = senseFormats.count(value) > 0;
            if (ok) {
                drive.senseFormat = senseFormats.at(value);
            }
        } else if (key == "fault" && value == "none") {
            // Written by a scenario to take every fault away again.
            drive.faults.clear();
        } else if (key == "fault") {
            DriveFault fault;
            ok = parseFault(value, fault);
            if (ok) {
                drive.faults.push_back(fault);
            }
        } else {
            error = "line " + std::to_string(lineOf[key]) + ": unknown key '" + key + "'";
            return false;
        }
        if (!ok) {
            error =
                "line " + std::to_string(lineOf[key]) + ": bad value '" + value + "' for " + key;
            return false;
        }
    }
    if (drive.model.empty() || drive.serial.empty() || drive.firmware.empty() ||
        drive.capacityBytes == 0) {
        error = "a drive needs model, serial, firmware and capacity";
        return false;
    }
    return true;
}

bool readDriveDescription(const std::string& path, DriveDescription& drive, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!parseDriveDescription(text.str(), drive, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace orbsim
