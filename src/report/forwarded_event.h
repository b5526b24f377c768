#pragma once

#include <json/json.h>

#include <string>

// Forwards an event document a local client wrote (a JSON object of at least two members) to
// the RMC, with "Source" set to "ORB-CLI". 0 when the RMC took it; 1 when it did not, or when
// the payload is not such an object (then nothing is sent).
int orbForwardClientEvent(const std::string& payload);

// The event document of a forward request; false, with the reason, unless the payload is one
// JSON object of at least two members.
bool orbParseClientEvent(const std::string& payload, Json::Value& document, std::string& errors);
