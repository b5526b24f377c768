#include "storage/enclosure_collation.h"

#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "host/physloc_factory.h"

namespace {

const char* const kTag = "SAS_RM";

// The SFF drive cages of the chassis: the model text and the bays such a cage has.
struct SffCage {
    const char* model;
    int bays;
};
const SffCage kSffCages[] = {{"8 SFF", 8}, {"2 SFF", 2}};

int healthRank(ORB_RESOURCE_HEALTH health) {
    switch (health) {
        case ORB_HEALTH_CRITICAL:
            return 3;
        case ORB_HEALTH_WARNING:
            return 2;
        case ORB_HEALTH_OK:
            return 1;
        default:
            return 0;
    }
}

// The number after "Box" in a model text; -1 when there is none.
int boxNumberInModel(const std::string& model) {
    const char* box = std::strstr(model.c_str(), "Box");
    if (box == nullptr) {
        return -1;
    }
    const char* digits = box + 3;
    while (*digits == ' ') {
        ++digits;
    }
    if (*digits < '0' || *digits > '9') {
        return -1;
    }
    const long number = std::strtol(digits, nullptr, 10);
    return number > 0 && number < 1000 ? static_cast<int>(number) : -1;
}

struct Collated {
    orbStorageEnclosureInfo enclosure;
    int box;
};

bool conflicts(const std::string& a, const std::string& b) {
    return !a.empty() && !b.empty() && a != b;
}

// The collated enclosure the report belongs to; null when it is a new one.
Collated* findMatch(std::vector<Collated>& collated, const orbStorageEnclosureInfo& report,
                    int box) {
    const std::string serial = report.getSerialNumber();
    const std::string part = report.getPartNumber();
    auto compatible = [&](const Collated& entry) {
        return !conflicts(entry.enclosure.getSerialNumber(), serial) &&
               !(entry.box >= 0 && box >= 0 && entry.box != box);
    };
    for (Collated& entry : collated) {
        if (!serial.empty() && entry.enclosure.getSerialNumber() == serial) {
            ORB_LOG_DEBUG(kTag, "Found matching collated enclosure based on serial number [%s].",
                          serial.c_str());
            return &entry;
        }
    }
    for (Collated& entry : collated) {
        if (box >= 0 && entry.box == box && compatible(entry)) {
            ORB_LOG_DEBUG(kTag, "Found matching collated enclosure based on box number [%d].", box);
            return &entry;
        }
    }
    for (Collated& entry : collated) {
        if (!part.empty() && entry.enclosure.getPartNumber() == part && compatible(entry)) {
            ORB_LOG_DEBUG(kTag, "Found matching collated enclosure based on part number [%s].",
                          part.c_str());
            return &entry;
        }
    }
    return nullptr;
}

void merge(Collated& into, const orbStorageEnclosureInfo& report, int box) {
    orbStorageEnclosureInfo& target = into.enclosure;
    if (target.getSerialNumber().empty()) {
        target.setSerialNumber(report.getSerialNumber());
    }
    if (target.getPartNumber().empty()) {
        target.setPartNumber(report.getPartNumber());
    }
    if (target.getModel().empty()) {
        target.setModel(report.getModel());
    }
    if (target.getFirmwareVersion().empty()) {
        target.setFirmwareVersion(report.getFirmwareVersion());
    }
    if (target.getType().empty()) {
        target.setType(report.getType());
    }
    if (into.box < 0) {
        into.box = box;
    }
    target.setSegmentCount(target.getSegmentCount() + report.getSegmentCount());
    if (report.getBayCount() > target.getBayCount()) {
        target.setBayCount(report.getBayCount());
    }
    if (healthRank(report.getHealth()) > healthRank(target.getHealth())) {
        target.setState(report.getState());
        target.setHealth(report.getHealth());
    }
}

}  // namespace

int orbStorageEnclosureBoxNumber(const orbStorageEnclosureInfo& enclosure) {
    const std::string model = enclosure.getModel();
    for (const SffCage& cage : kSffCages) {
        if (model.find(cage.model) == std::string::npos || enclosure.getBayCount() != cage.bays) {
            continue;
        }
        return enclosure.getBox() > 0 ? enclosure.getBox() : boxNumberInModel(model);
    }
    return -1;
}

std::vector<orbStorageEnclosureInfo> orbCollateStorageEnclosures(
    const std::vector<orbStorageEnclosureInfo>& reported) {
    std::vector<Collated> collated;
    for (const orbStorageEnclosureInfo& report : reported) {
        const int box = orbStorageEnclosureBoxNumber(report);
        if (box < 0) {
            ORB_LOG_DEBUG(kTag, "Unable to determine box number. (Model: [%s], Bay count: [%d])",
                          report.getModel().c_str(), report.getBayCount());
        }
        if (Collated* match = findMatch(collated, report, box)) {
            merge(*match, report, box);
            ORB_LOG_DEBUG(kTag,
                          "Appended collated storage enclosure with SN [%s], PN [%s]: "
                          "(%d, %d)",
                          match->enclosure.getSerialNumber().c_str(),
                          match->enclosure.getPartNumber().c_str(), match->enclosure.getBayCount(),
                          match->enclosure.getSegmentCount());
            continue;
        }
        collated.push_back({report, box});
        ORB_LOG_DEBUG(kTag,
                      "Detected new collated storage enclosure with SN [%s], PN [%s]: "
                      "(%d, %d)",
                      report.getSerialNumber().c_str(), report.getPartNumber().c_str(),
                      report.getBayCount(), report.getSegmentCount());
    }

    std::vector<orbStorageEnclosureInfo> result;
    result.reserve(collated.size());
    for (Collated& entry : collated) {
        orbStorageEnclosureInfo& enclosure = entry.enclosure;
        if (entry.box >= 0) {
            enclosure.setBox(entry.box);
        }
        if (enclosure.getEnclosureType() == ORB_ENCLOSURE_TYPE_CHASSIS_INTERNAL && entry.box >= 0) {
            enclosure.setPhysicalLocation(
                orbPhysLocFactory::getPhysLocInterface()->getPhysLocForChassisStorageBackplane(
                    enclosure.getControllerPCILocation(), entry.box));
            ORB_LOG_DEBUG(kTag,
                          "Storage backplane PL for chassis-internal enclosure with SN [%s], "
                          "PN [%s], Box [%d]: (%d, %d): %s",
                          enclosure.getSerialNumber().c_str(), enclosure.getPartNumber().c_str(),
                          entry.box, enclosure.getBayCount(), enclosure.getSegmentCount(),
                          enclosure.getPhysicalLocation().c_str());
        }
        result.push_back(enclosure);
    }
    return result;
}
