#pragma once

#include <string>

#include <json/json.h>

// The variable data of an event about a storage device, as the RMC reads it:
// {"Type": kind of device, "Data": its description, "EventInfo": what happened}.
Json::Value orbStorageEventPayload(const char* type, Json::Value data,
                                   const std::string& eventInfo);
