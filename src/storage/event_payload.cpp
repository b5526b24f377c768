#include "storage/event_payload.h"

#include <utility>

Json::Value orbStorageEventPayload(const char* type, Json::Value data,
                                   const std::string& eventInfo) {
    Json::Value payload(Json::objectValue);
    payload["Type"] = type;
    payload["Data"] = std::move(data);
    payload["EventInfo"] = eventInfo;
    return payload;
}
