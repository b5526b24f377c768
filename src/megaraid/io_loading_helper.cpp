#include "megaraid/io_loading_helper.h"

#include <cctype>
#include <cstdlib>

#include "core/config.h"
#include "core/log.h"
#include "core/utils.h"
#include "host/physloc_factory.h"
#include "host/platform_check.h"
#include "megaraid/store_lib_interface.h"

namespace {

constexpr const char* kTag = "IO_LOADING";
constexpr uint32_t kChipset9560 = 0x10E21000;
constexpr uint32_t kBoard9560_16i = 0x40001000;
constexpr uint32_t kBoard9560_8i = 0x40101000;

uint16_t high(uint32_t id) {
    return static_cast<uint16_t>(id >> 16);
}

// Slot numbers compare by value: "02" and "2" are the same slot.
bool sameSlot(const std::string& a, const std::string& b) {
    char* endA = nullptr;
    char* endB = nullptr;
    const long first = std::strtol(a.c_str(), &endA, 10);
    const long second = std::strtol(b.c_str(), &endB, 10);
    return !a.empty() && !b.empty() && *endA == '\0' && *endB == '\0' && first == second;
}

}  // namespace

// The maker's chassis: the VX-R4800 takes its internal MegaRAID 9560 in PCIe slot 2, cabled to
// the front backplane (box 1, bays from 0); with a second 9560-16i in slot 5 that one serves
// the rear bays (box 2, numbered on from 16).
const std::vector<_ORB_IO_LOADING_RULE> orbIOLoadingHelper::CH_MEGARAID_9560_IO_LOADING_RULEBOOK = {
    {"VX-R4800 9560-16i front and rear",
     {{kChipset9560, kBoard9560_16i, "2", 1, 0}, {kChipset9560, kBoard9560_16i, "5", 2, 16}}},
    {"VX-R4800 9560-16i front", {{kChipset9560, kBoard9560_16i, "2", 1, 0}}},
    {"VX-R4800 9560-8i front", {{kChipset9560, kBoard9560_8i, "2", 1, 0}}},
};

std::mutex orbIOLoadingHelper::ioLoadingHelperMutex;
std::map<std::string, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE> orbIOLoadingHelper::ioLoadingTable;
bool orbIOLoadingHelper::isDisableMegaRAID9560LoadingInspectionLogged = false;

bool orbIOLoadingHelper::isMegaRAID9560(uint32_t chipset, uint32_t board) {
    return chipset == kChipset9560 && (board == kBoard9560_16i || board == kBoard9560_8i);
}

bool orbIOLoadingHelper::isVexSystem() {
    std::string maker = platformCheck::getCardManufacturer();
    for (char& c : maker) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return maker == "VEX";
}

void orbIOLoadingHelper::updateServerIOLoadingTable() {
    std::lock_guard<std::mutex> lock(ioLoadingHelperMutex);
    if (!isVexSystem()) {
        return;
    }
    if (orbConfig::getInstance()->isMegaRAID9560LoadingInspectionDisabled()) {
        if (!isDisableMegaRAID9560LoadingInspectionLogged) {
            ORB_LOG_WARNING(kTag,
                            "I/O loading rules compliance inspection for MegaRAID 9560 "
                            "controllers has been disabled via ORB configuration settings. "
                            "Physical drives and RAID volumes attached to MegaRAID 9560 "
                            "controllers will not be reported/monitored.");
            isDisableMegaRAID9560LoadingInspectionLogged = true;
        }
        ioLoadingTable.clear();
        return;
    }
    // Rebuilt on every pass: a card moved or removed leaves no stale entry or flag behind.
    std::map<std::string, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE> table =
        populateMegaRAID9560Loading();
    applyMegaRAID9560LoadingRules(table);
    ioLoadingTable.swap(table);
}

std::map<std::string, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE>
orbIOLoadingHelper::populateMegaRAID9560Loading() {
    std::map<std::string, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE> table;
    orbPhysLocInterface* locator = orbPhysLocFactory::getPhysLocInterface();
    for (const CTRL_INFO& controller :
         orbStoreLibInterface::getInstance()->getControllerCollection()) {
        const char* pci = controller.pciLocation.c_str();
        if (!isMegaRAID9560(controller.chipsetId, controller.boardId)) {
            ORB_LOG_DEBUG(kTag,
                          "Ignoring storage controller [0x%04X, 0x%04X] @ [%s] during I/O "
                          "loading table updation.",
                          high(controller.chipsetId), high(controller.boardId), pci);
            continue;
        }
        const std::string geoID = orbUtils::getGeoIDStr(controller.pciLocation);
        std::string chassis;
        const int status = locator->getChassisLocationForIOSlot(controller.pciLocation, chassis);
        if (status != 0 || chassis.empty()) {
            ORB_LOG_WARNING(kTag,
                            "Unable to determine chassis for storage controller [0x%04X, "
                            "0x%04X] @ [%s, %s]. (%d)",
                            high(controller.chipsetId), high(controller.boardId), pci,
                            geoID.c_str(), status);
            continue;
        }
        const std::string slot = locator->getPCIeSlotForIOSlot(controller.pciLocation);
        if (slot.empty() || slot == "0") {
            ORB_LOG_WARNING(kTag,
                            "Unable to determine PCIe slot number for controller [0x%04X, "
                            "0x%04X] @ [%s, %s]",
                            high(controller.chipsetId), high(controller.boardId), pci,
                            geoID.c_str());
            continue;
        }
        auto found = table.find(chassis);
        if (found == table.end()) {
            ORB_LOG_DEBUG(kTag, "Found new chassis @ [%s]. Adding to server I/O loading table.",
                          chassis.c_str());
            found = table.emplace(chassis, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE()).first;
        } else {
            ORB_LOG_DEBUG(kTag,
                          "Found existing chassis @ [%s] in server I/O loading table. ([0x%04X, "
                          "0x%04X] @ [%s])",
                          chassis.c_str(), high(controller.chipsetId), high(controller.boardId),
                          pci);
        }
        if (found->second.entries.count(controller.pciLocation) != 0) {
            ORB_LOG_DEBUG(kTag,
                          "Found existing controller [0x%04X, 0x%04X] @ [%s, %s] in I/O loading "
                          "table.",
                          high(controller.chipsetId), high(controller.boardId), pci, geoID.c_str());
            continue;
        }
        _ORB_SERVER_CHASSIS_IO_ENTRY entry;
        entry.chipset = controller.chipsetId;
        entry.board = controller.boardId;
        entry.pciLocation = controller.pciLocation;
        entry.slot = slot;
        found->second.entries[controller.pciLocation] = entry;
    }
    return table;
}

void orbIOLoadingHelper::applyMegaRAID9560LoadingRules(
    std::map<std::string, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE>& table) {
    for (auto& [chassis, chassisTable] : table) {
        for (const _ORB_IO_LOADING_RULE& rule : CH_MEGARAID_9560_IO_LOADING_RULEBOOK) {
            ORB_LOG_DEBUG(kTag, "Checking for I/O loading rule [%s] compliance in chassis [%s]...",
                          rule.name.c_str(), chassis.c_str());
            if (checkAndApplyMegaRAID9560LoadingRuleForChassis(rule, chassis, chassisTable)) {
                ORB_LOG_INFO(kTag, "Successfully applied I/O loading rule [%s] for chassis [%s].",
                             rule.name.c_str(), chassis.c_str());
                // The first rule met in full decides the numbering.
                break;
            }
        }
    }
}

bool orbIOLoadingHelper::checkAndApplyMegaRAID9560LoadingRuleForChassis(
    const _ORB_IO_LOADING_RULE& rule, const std::string& chassis,
    _ORB_SERVER_CHASSIS_IO_LOADING_TABLE& table) {
    // Worked out on a copy: a rule met only in part leaves the chassis as it was.
    _ORB_SERVER_CHASSIS_IO_LOADING_TABLE scratch = table;
    std::map<std::string, bool> accounted;
    bool allFollowed = true;
    for (const _ORB_IO_LOADING_SUB_RULE& sub : rule.subRules) {
        bool followed = false;
        for (auto& [pci, entry] : scratch.entries) {
            if (!accounted[pci] && entry.chipset == sub.chipset && entry.board == sub.board &&
                sameSlot(entry.slot, sub.slot)) {
                ORB_LOG_DEBUG(kTag, "Sub-rule followed by [0x%04X, 0x%04X] @ [%s, %s].",
                              high(entry.chipset), high(entry.board), pci.c_str(),
                              entry.slot.c_str());
                entry.enclosureBoxNumber = sub.enclosureBoxNumber;
                entry.driveBayOffset = sub.driveBayOffset;
                accounted[pci] = true;
                followed = true;
                break;
            }
        }
        if (!followed) {
            ORB_LOG_DEBUG(kTag, "Sub-rule [0x%04X 0x%04X %s] not followed in chassis [%s].",
                          high(sub.chipset), high(sub.board), sub.slot.c_str(), chassis.c_str());
            allFollowed = false;
        }
    }
    bool extraCard = false;
    for (const auto& [pci, entry] : scratch.entries) {
        if (!accounted[pci]) {
            // Each rule that does not fit says so; the verdict is logged once per controller.
            ORB_LOG_DEBUG(kTag,
                          "Found additional MegaRAID 9560 card [0x%04X 0x%04X] @ [%s] in "
                          "chassis [%s], beyond what is allowed by IO loading rule [%s].",
                          high(entry.chipset), high(entry.board), pci.c_str(), chassis.c_str(),
                          rule.name.c_str());
            extraCard = true;
        }
    }
    if (!allFollowed || extraCard) {
        ORB_LOG_DEBUG(kTag, "Chassis [%s] is not fully compliant with rule [%s].", chassis.c_str(),
                      rule.name.c_str());
        return false;
    }
    scratch.compliant = true;
    for (auto& [pci, entry] : scratch.entries) {
        entry.compliant = true;
    }
    table = scratch;
    return true;
}

const _ORB_SERVER_CHASSIS_IO_ENTRY* orbIOLoadingHelper::findCompliant(
    const std::string& pciLocation, std::string& chassis) {
    for (const auto& [name, table] : ioLoadingTable) {
        auto entry = table.entries.find(pciLocation);
        if (entry != table.entries.end()) {
            chassis = name;
            return table.compliant && entry->second.compliant ? &entry->second : nullptr;
        }
    }
    return nullptr;
}

bool orbIOLoadingHelper::isDeviceAndChassisIOLoadingRulesCompliant(const std::string& pciLocation) {
    std::lock_guard<std::mutex> lock(ioLoadingHelperMutex);
    std::string chassis;
    if (findCompliant(pciLocation, chassis) != nullptr) {
        ORB_LOG_DEBUG(kTag,
                      "I/O card @ [%s] and its housing chassis [%s] are compliant with I/O "
                      "loading rules.",
                      pciLocation.c_str(), chassis.c_str());
        return true;
    }
    ORB_LOG_DEBUG(kTag,
                  "I/O card @ [%s] or it housing chassis not compliant with I/O loading rules.",
                  pciLocation.c_str());
    return false;
}

bool orbIOLoadingHelper::getCHStorageEnclosureBoxNumberAndDriveBayOffset(
    const std::string& pciLocation, int& boxNumber, int& bayOffset) {
    std::lock_guard<std::mutex> lock(ioLoadingHelperMutex);
    std::string chassis;
    const _ORB_SERVER_CHASSIS_IO_ENTRY* entry = findCompliant(pciLocation, chassis);
    if (entry == nullptr) {
        ORB_LOG_DEBUG(kTag,
                      "I/O card @ [%s] in chassis not complaint with I/O loading rules for CH "
                      "SEBN & DBO.",
                      pciLocation.c_str());
        return false;
    }
    boxNumber = entry->enclosureBoxNumber;
    bayOffset = entry->driveBayOffset;
    ORB_LOG_DEBUG(kTag,
                  "I/O card @ [%s] located in chassis [%s] complying with I/O loading rules for CH "
                  "SEBN & DBO.",
                  pciLocation.c_str(), chassis.c_str());
    return true;
}
