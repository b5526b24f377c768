#pragma once

#include "megaraid/megaraid_event.h"
#include "storage/logical_disk_info.h"

class orbMegaRAIDController;

// Follows a consistency check on a volume through its firmware events, gathers its findings
// in the volume's check state and raises one summarising event when the check ends.
class orbMegaRAIDConsistencyCheckEventHandler {
  public:
    // True when the event belonged to a consistency check and has been dealt with. Returns
    // the event to raise (0 for none) and whether it is critical.
    static bool processConsistencyCheckEvents(orbMegaRAIDController* controller,
                                              orbLogicalDiskInfo& volume,
                                              ORB_SAS_EVENT_DETAIL* event, int& eventId,
                                              bool& critical);
};
