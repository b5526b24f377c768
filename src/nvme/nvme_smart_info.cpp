#include "nvme/nvme_smart_info.h"

void orbNvmeSmartInfo::deriveStatus() {
    if (ReadOnlyMode || VolatileMemoryBackupFailed) {
        state = ORB_STATE_FAILED;
        health = ORB_HEALTH_CRITICAL;
    } else if (AvailableSpareBelowThreshold || TemperatureWarning || ReliabilityDegraded) {
        state = ORB_STATE_DEGRADED;
        health = ORB_HEALTH_WARNING;
    } else {
        state = ORB_STATE_RUNNING;
        health = ORB_HEALTH_OK;
    }
}
