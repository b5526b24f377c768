// The FC manager's inventory objects and the events it raises when an adapter's state
// changes between two builds.
#include <map>

#include "core/log.h"
#include "core/utils.h"
#include "fc/fc_part_number_table.h"
#include "fc/fc_resource_manager.h"
#include "report/event_handler.h"

namespace {

const char* const kTag = "FC_RM";
const char* const kNotAvailable = "Not Available";

constexpr int kEventPortOnline = 384;
constexpr int kEventPortOffline = 385;
constexpr int kEventPortLinkDown = 386;
constexpr int kEventPortFailed = 388;
constexpr int kEventPortLinkUp = 1391;

// The port conditions an event is raised for, by the state names of the inventory.
enum FCPortCondition {
    FC_LINKDOWN = 0,
    FC_ERROR = 1,
    FC_OFFLINE = 2,
    FC_ONLINE = 3,
    FC_DIAGNOSTIC_MODE = 4,
    FC_LOOPBACK = 5,
    FC_BYPASSED = 6,
};

const std::map<std::string, int> fcStateToEnumMap = {
    {"Linkdown", FC_LINKDOWN},
    {"Error", FC_ERROR},
    {"Offline", FC_OFFLINE},
    {"Online", FC_ONLINE},
    // The inventory's own name for the state, so that a port in diagnostics is not taken
    // for a port whose link went down.
    {"Diagnostic mode", FC_DIAGNOSTIC_MODE},
    {"Loopback", FC_LOOPBACK},
    {"Bypassed", FC_BYPASSED},
};

}  // namespace

void FCResourceManager::jsonInventory(Json::Value& out, const orbFCDeviceInfo& record) {
    out = Json::Value(Json::objectValue);
    out["Model"] = record.getorbFCModel();
    out["SerialNumber"] = record.getorbFCSerialNumber();
    out["PartNumber"] = record.getorbFCPartNumber();
    out["FirmwareVersion"] = record.getorbFCFirmwareVersion();
    out["RomVersion"] = record.getorbFCRomVersion();
    out["WWPN"] = record.getorbFCWWPN();
    out["WWNN"] = record.getorbFCWWNN();
    out["Manufacturer"] = record.getorbFCManufacturer();
    Json::Value oem(Json::objectValue);
    oem["Description"] = record.getorbFCDescription();
    oem["PhysicalLocation"] = record.getorbFCOemPhyLoc();
    out["Oem"] = oem;
    Json::Value status(Json::objectValue);
    status["State"] = orbResourceStateText(record.getorbFCStatus().FCDeviceState);
    status["Health"] = orbResourceHealthText(record.getorbFCStatus().FCDeviceHealth);
    out["Status"] = status;
}

Json::Value FCResourceManager::getVariableData(const orbFCDeviceInfo& record, int eventId) {
    Json::Value data;
    jsonInventory(data, record);
    data.removeMember("Status");
    Json::Value variable(Json::objectValue);
    variable["Data"] = data;
    variable["Type"] = "FibreChannelDevice";
    variable["EventInfo"] = getDescription(eventId);
    return variable;
}

std::string FCResourceManager::getDescription(int eventId) {
    switch (eventId) {
        case kEventPortFailed:
            return "The Fibre Channel device port has failed. Refer to /var/log/messages for "
                   "further details.";
        case kEventPortLinkDown:
            return "Fibre channel device port has changed to a state of link down. Check the FC "
                   "cabling to this port.";
        case kEventPortOffline:
            return "The Fibre Channel device port has gone offline. Refer to /var/log/messages "
                   "for further details.";
        case 0:
            return "Injected Event";
        default:
            return "";
    }
}

void FCResourceManager::compareStatusAndFetchEventAttributes(const orbFCDeviceInfo& record,
                                                             int& eventCode, bool& flag) {
    eventCode = 0;
    flag = false;
    const std::string& node = record.getorbFCWWNN();
    // Adapters whose node name could not be read cannot be told apart.
    if (node != kNotAvailable) {
        const ORB_RESOURCE_STATE state = record.getorbFCStatus().FCDeviceState;
        for (const orbFCDeviceInfo& before : prevFcDevices) {
            if (before.getorbFCWWNN() == node && before.getorbFCStatus().FCDeviceState != state) {
                fetchFCEventInfo(state, before.getorbFCStatus().FCDeviceState, eventCode, flag);
            }
        }
    }
    if (eventCode < 1) {
        ORB_LOG_DEBUG(kTag, "No FCHBA event detected to generate");
    }
}

void FCResourceManager::fetchFCEventInfo(ORB_RESOURCE_STATE newState, ORB_RESOURCE_STATE oldState,
                                         int& eventCode, bool& flag) {
    auto found = fcStateToEnumMap.find(orbResourceStateText(newState));
    // A state the table does not name (Unknown: no port answered) says nothing about the
    // link, so it raises nothing.
    if (found == fcStateToEnumMap.end()) {
        eventCode = 0;
        return;
    }
    switch (found->second) {
        case FC_ERROR:
            eventCode = kEventPortFailed;
            flag = true;
            break;
        case FC_LINKDOWN:
            eventCode = kEventPortLinkDown;
            flag = true;
            break;
        case FC_OFFLINE:
            eventCode = kEventPortOffline;
            break;
        case FC_ONLINE:
            eventCode = oldState == ORB_STATE_LINKDOWN ? kEventPortLinkUp : kEventPortOnline;
            break;
        default:
            eventCode = 0;
            break;
    }
}

void FCResourceManager::raiseEvent(int eventCode, bool flag, const orbFCDeviceInfo& record,
                                   const std::string& source) {
    ORB_LOG_DEBUG(kTag, "Raising event %d for %s", eventCode, record.getorbFCWWNN().c_str());
    orbEventHandler::generateEvent(orbEvent(eventCode, record.getorbFCOemPhyLoc(), "FCHBA", flag,
                                            orbUtils::getTime(), record.getorbFCPartNumber(),
                                            getVariableData(record, eventCode), source));
}

void FCResourceManager::generateTestEvent(int eventId, const std::string& arg) {
    (void)arg;
    // A port of the QLogic QLE2692, whose part number the adapter table gives per platform.
    auto row = fcPciIdsModelNameMap.find(FCPciIds{0x1077, 0x2261, 0x1077, 0x029b});
    const char* partNumber = row == fcPciIdsModelNameMap.end()
                                 ? nullptr
                                 : row->second.partNumbers.forFamily(orbUtils::getPlatformFamily());
    orbFCDeviceInfo sample;
    sample.setorbFCModel("QLE2692");
    sample.setorbFCSerialNumber("RFD1738K41276");
    sample.setorbFCPartNumber(partNumber != nullptr ? partNumber : "");
    sample.setorbFCFirmwareVersion("8.05.61 (d0d5)");
    sample.setorbFCRomVersion("3.54");
    sample.setorbFCWWPN("21:00:00:24:ff:7e:3c:41");
    sample.setorbFCWWNN("20:00:00:24:ff:7e:3c:41");
    sample.setorbFCManufacturer("QLogic Corp.");
    sample.setorbOemPhyLoc("NOT AVAILABLE");
    sample.setorbFCStatus(ORB_STATE_ONLINE, ORB_HEALTH_OK);
    raiseEvent(eventId, false, sample, "ORB-CLI");
}
