#pragma once

#include <json/json.h>

#include <string>

#include "report/event.h"

// Turns events into one-line documents and hands them to the RMC with "MPEventGen".
class orbEventHandler {
  public:
    // The only entry for producers. Returns at once: the event is queued for the sender
    // thread, which delivers events in the order raised and retries those the RMC does not
    // take. Before the first inventory push only host and service events go out; others are
    // dropped.
    static void generateEvent(orbEvent event);

    // Ends event delivery within a bounded time (the inventory aggregator's stop calls it).
    static void stopEventDelivery();

    // Sends an already built event document; 0 on success, 1 on failure.
    static int sendEventToRMC(std::string text);

    // The class of an event ID (1 service, 2 host, 3 network, 4 Fibre Channel, 5 SAS/SATA,
    // 6 NVMe), or -1.
    static int getEventType(int eventID);

    // True for the events that may go out before the first inventory document.
    static bool isForwardedBeforeInventory(int eventID);

    // The document sent for one event.
    static Json::Value buildEventDocument(const orbEvent& event);
};
