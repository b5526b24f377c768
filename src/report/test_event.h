#pragma once

#include <string>

// Test events asked for by the local command client.

// Handles a test-event request ("ID" or "ID DEVICE"): raises the sample event through the
// producer the ID belongs to and sends it to the RMC at once. Answers 0 when it was sent,
// 1 when nothing reached the RMC (the RMC did not take it, the first-push rule held it back,
// or no producer raised it), -1 for an ID no producer knows or a malformed request.
int sendTestEventWithEventId(const std::string& payload);

// The service's own test event (708): which resource types are enabled and which of them run.
void generateTestEvent(int eventID);
