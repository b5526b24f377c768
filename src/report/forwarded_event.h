#pragma once

#include <string>

// Forwards an event document a local client wrote (a JSON object of at least two members) to
// the RMC, with "Source" set to "ORB-CLI". 0 when the RMC took it; 1 when it did not, or when
// the payload is not such an object (then nothing is sent).
int orbForwardClientEvent(const std::string& payload);
