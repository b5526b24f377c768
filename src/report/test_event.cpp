#include "report/test_event.h"

#include <json/json.h>

#include "core/config.h"
#include "core/factory.h"
#include "core/log.h"
#include "core/module_names.h"
#include "core/resource_manager.h"
#include "core/utils.h"
#include "report/event_capture.h"
#include "report/event_handler.h"
#include "report/json_text.h"
#include "report/message_packet.h"

namespace {

const char* const kTag = "ORB_SERVER";

// The order in which the service lists resource types in its own test event.
const int kListOrder[] = {RESOURCE_HOST, RESOURCE_SAS, RESOURCE_NIC, RESOURCE_FC, RESOURCE_NVME};

// The resource type whose manager produces the sample events of an event class; -1 for the
// service's own class and unknown classes.
int producerOf(int eventClass) {
    switch (eventClass) {
        case 2:
            return RESOURCE_HOST;
        case 3:
            return RESOURCE_NIC;
        case 4:
            return RESOURCE_FC;
        case 5:
            return RESOURCE_SAS;
        case 6:
            return RESOURCE_NVME;
        default:
            return -1;
    }
}

// Sends what the request raised, at once, so that the client learns whether it reached the
// RMC; a test event is not kept for a later attempt.
int deliverCaptured(const orbEventCapture& capture, int eventID) {
    if (capture.taken.empty()) {
        if (capture.heldBack > 0) {
            ORB_LOG_INFO(kTag,
                         "Test event %d held back: only host and service events go out before "
                         "the first inventory.",
                         eventID);
        } else {
            ORB_LOG_WARNING(kTag, "Test event %d was not raised by its resource manager.", eventID);
        }
        return kOrbRequestFailed;
    }
    int result = kOrbRequestDone;
    for (const orbEvent& event : capture.taken) {
        const std::string text = orbJsonOneLine(orbEventHandler::buildEventDocument(event));
        ORB_LOG_INFO(kTag, "%s", text.c_str());
        if (orbEventHandler::sendEventToRMC(text) != 0) {
            result = kOrbRequestFailed;
        }
    }
    return result;
}

}  // namespace

int sendTestEventWithEventId(const std::string& payload) {
    int eventID = 0;
    std::string device;
    const bool parsed = orbParseTestEventPayload(payload, eventID, device);
    const int eventClass = parsed ? orbEventHandler::getEventType(eventID) : -1;
    if (eventClass == -1) {
        ORB_LOG_WARNING(kTag, "Invalid eventId. Test-event request \"%s\" refused.",
                        payload.c_str());
        return kOrbRequestInvalidEvent;
    }
    ORB_LOG_DEBUG(kTag, "Test event %d for device %s requested.", eventID, device.c_str());

    orbEventCapture capture;
    if (eventClass == 1) {
        generateTestEvent(eventID);
    } else if (orbResourceManager* manager = orbFactory::createInstance(producerOf(eventClass))) {
        manager->generateTestEvent(eventID, device);
    }
    return deliverCaptured(capture, eventID);
}

void generateTestEvent(int eventID) {
    Json::Value enabled(Json::arrayValue);
    Json::Value operational(Json::arrayValue);
    orbConfig* config = orbConfig::getInstance();
    for (int type : kListOrder) {
        const std::string* name = orbModuleName(type);
        if (name == nullptr || !config->isResourceEnabled(type)) {
            continue;
        }
        enabled.append(*name);
        orbResourceManager* manager = orbFactory::createInstance(type);
        if (manager != nullptr && manager->isRunning()) {
            operational.append(*name);
        }
    }
    Json::Value data(Json::objectValue);
    data["EnabledResourceType"] = enabled;
    data["OperationalResourceType"] = operational;
    data["EventInfo"] = "ORB Test Event";
    data["Type"] = "Test Event";
    orbEventHandler::generateEvent(
        orbEvent(eventID, "TESTEVENT", false, orbUtils::getTime(), data, "ORB-CLI"));
}
