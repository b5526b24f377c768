#include "report/event_handler.h"

#include <algorithm>
#include <utility>

#include "core/log.h"
#include "core/utils.h"
#include "report/event_capture.h"
#include "report/event_sender.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"
#include "report/json_text.h"

namespace {

const char* const kTag = "EVT_HANDLER";

const int kEarlyEvents[] = {356, 359, 360, 434, 435, 1337, 1338, 1441, 1442, 1443};

struct EventClass {
    int type;
    std::initializer_list<int> ids;
};

const EventClass kEventClasses[] = {
    {1, {708}},
    {2, {356, 359, 360, 434, 435}},
    {3, {678, 680, 1384, 1390}},
    {4, {383, 384, 385, 386, 388, 390, 1391}},
    {5, {397, 398, 538, 539, 540, 681, 683, 1179, 1180, 1181, 1182, 1183, 1385, 1387, 1388}},
    {6, {835, 836, 837}},
};

bool isPlaceholderLocation(const std::string& location) {
    return location.empty() || location == "Not Applicable" || location == "Not Available" ||
           location == "NotApplicable" || location == "NotAvailable";
}

}  // namespace

bool orbEventHandler::isForwardedBeforeInventory(int eventID) {
    return std::find(std::begin(kEarlyEvents), std::end(kEarlyEvents), eventID) !=
           std::end(kEarlyEvents);
}

int orbEventHandler::getEventType(int eventID) {
    for (const EventClass& eventClass : kEventClasses) {
        if (std::find(eventClass.ids.begin(), eventClass.ids.end(), eventID) !=
            eventClass.ids.end()) {
            return eventClass.type;
        }
    }
    return -1;
}

Json::Value orbEventHandler::buildEventDocument(const orbEvent& event) {
    Json::Value document(Json::objectValue);
    document["HostName"] = orbUtils::readHostName();
    document["OSVersion"] = orbUtils::readHostOSVersion();
    int osType = 0;
    orbUtils::getOSType(&osType);
    document["OSType"] = osType;
    std::string address = orbUtils::getPrimaryIPAddress();
    if (!address.empty()) {
        Json::Value entry(Json::objectValue);
        entry["Address"] = address;
        document["IPv4Addresses"].append(entry);
    }
    document["ID"] = event.getEventID();
    document["Source"] = event.getSource();
    document["EventTime"] = event.getEventTime();
    std::string location = event.getPhyLoc();
    if (!isPlaceholderLocation(location)) {
        document["PhysicalLocation"] = location;
    }
    Json::Value data = event.getVariableData();
    if (!data.isNull()) {
        document["VariableData"] = data;
    }
    return document;
}

void orbEventHandler::generateEvent(orbEvent event) {
    orbEventCapture* capture = orbEventCapture::active();
    if (!orbJsonAggregator::isInventorySent() && !isForwardedBeforeInventory(event.getEventID())) {
        if (capture != nullptr) {
            ++capture->heldBack;
        }
        return;
    }
    if (capture != nullptr) {
        capture->taken.push_back(std::move(event));
        return;
    }
    orbEventSender::getInstance()->queue(std::move(event));
}

void orbEventHandler::stopEventDelivery() {
    orbEventSender::getInstance()->stop();
}

int orbEventHandler::sendEventToRMC(std::string text) {
    int result = ipmi::IPMIUtils::RMC_CLI_Cmd_Execution("MPEventGen", text);
    if (result == 1) {
        ORB_LOG_ERROR(kTag, "FAILURE in logging event to RMC");
    } else {
        ORB_LOG_DEBUG(kTag, "SUCCESS in delivering event to RMC");
    }
    return result;
}
