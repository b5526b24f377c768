#pragma once

#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "core/resource_manager.h"
#include "core/shutdown_notifier.h"
#include "core/stop_request.h"
#include "storage/controller_info.h"
#include "storage/disk_info.h"
#include "storage/enclosure_info.h"
#include "storage/logical_disk_info.h"

class orbInventoryBase;

// Kinds of storage inventory the aggregator asks for.
enum : int {
    ORB_SAS_INVENTORY_CONTROLLERS = 1,
    ORB_SAS_INVENTORY_DRIVES = 2,
    ORB_SAS_INVENTORY_VOLUMES = 3,
    ORB_SAS_INVENTORY_ENCLOSURES = 4,
};

// The resource manager of SAS/SATA storage: builds the storage inventory through every
// registered controller factory, polls the controllers every 10 seconds for status changes,
// and raises the storage events.
class SASResourceManager : public orbResourceManager {
  public:
    static SASResourceManager* getInstance();

    int cacheBuild() override;
    int stopResourceManagerJob() override;
    int init() override;
    int startInventory() override;
    int getInventoryJsonObject(std::vector<Json::Value>& out) override;
    int getInventoryJsonObject2(int kind, std::vector<Json::Value>& out) override;
    bool isRunning() override;
    bool isInventoryReady(int iteration) override;

    // Asks for a rebuild at the next wake-up, which comes at once. Safe from any thread,
    // including a controller's own locked path during a build or a poll.
    void invalidateInventoryCache();
    // The next completed build pushes the inventory to the RMC.
    void sendInventorytToRMCOnCacheBuild();

    // Raises a storage event about record, with its variable data.
    void generateEvent(int eventId, const std::string& location, bool failure,
                       const orbInventoryBase& record, const std::string& source = "ORB");
    void generateEvent(int eventId, bool failure, const orbInventoryBase& record);
    // A sample event of the kind eventId belongs to, asked for by the local command server.
    void generateTestEvent(int eventId, const std::string& text, bool flag);

    // True when a registered factory handles this model exclusively.
    bool isControllerModelSupported(uint32_t chipset, uint32_t board);

  private:
    SASResourceManager();
};
