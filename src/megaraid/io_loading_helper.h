#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// One card position a loading rule requires.
struct _ORB_IO_LOADING_SUB_RULE {
    uint32_t chipset;  // PCI identity of the card
    uint32_t board;    // its subsystem identity
    std::string slot;
    int enclosureBoxNumber;
    int driveBayOffset;
};

// An arrangement of MegaRAID 9560 cards the server maker supports in one chassis.
struct _ORB_IO_LOADING_RULE {
    std::string name;
    std::vector<_ORB_IO_LOADING_SUB_RULE> subRules;
};

// One MegaRAID 9560 in a chassis.
struct _ORB_SERVER_CHASSIS_IO_ENTRY {
    uint32_t chipset = 0;
    uint32_t board = 0;
    std::string pciLocation;
    std::string slot;
    bool compliant = false;
    int enclosureBoxNumber = -1;
    int driveBayOffset = -1;
};

// One chassis and its MegaRAID 9560 cards, by PCI location.
struct _ORB_SERVER_CHASSIS_IO_LOADING_TABLE {
    bool compliant = false;
    std::map<std::string, _ORB_SERVER_CHASSIS_IO_ENTRY> entries;
};

// Whether the server's MegaRAID 9560 cards sit where the maker's rule book allows, and the
// drive-bay numbering the rule they follow gives their drives.
class orbIOLoadingHelper {
  public:
    // Rebuilt from the storage library's controllers after each discovery.
    static void updateServerIOLoadingTable();
    static bool isDeviceAndChassisIOLoadingRulesCompliant(const std::string& pciLocation);
    static bool getCHStorageEnclosureBoxNumberAndDriveBayOffset(const std::string& pciLocation,
                                                                int& boxNumber, int& bayOffset);

    // A MegaRAID 9560: the tri-mode chipset on one of its two boards.
    static bool isMegaRAID9560(uint32_t chipset, uint32_t board);
    // The server maker is Vex ("Vex Systems Inc." in SMBIOS).
    static bool isVexSystem();

    static const std::vector<_ORB_IO_LOADING_RULE> CH_MEGARAID_9560_IO_LOADING_RULEBOOK;

    // The rule check on its own, for one chassis; true when the chassis complies with it.
    // Box numbers, bay offsets and flags change only when the rule is met in full.
    static bool checkAndApplyMegaRAID9560LoadingRuleForChassis(
        const _ORB_IO_LOADING_RULE& rule, const std::string& chassis,
        _ORB_SERVER_CHASSIS_IO_LOADING_TABLE& table);

  private:
    static std::map<std::string, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE>
    populateMegaRAID9560Loading();
    static void applyMegaRAID9560LoadingRules(
        std::map<std::string, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE>& table);
    // The chassis and entry of a PCI location when both comply; called with the mutex held.
    static const _ORB_SERVER_CHASSIS_IO_ENTRY* findCompliant(const std::string& pciLocation,
                                                             std::string& chassis);

    static std::mutex ioLoadingHelperMutex;
    static std::map<std::string, _ORB_SERVER_CHASSIS_IO_LOADING_TABLE> ioLoadingTable;
    static bool isDisableMegaRAID9560LoadingInspectionLogged;
};
