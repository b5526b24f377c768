#pragma once

#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "core/resource_manager.h"
#include "core/stop_request.h"
#include "nic/phy_adapter_inventory.h"

// The resource manager of the host's physical network ports: lists them with localcli,
// renders them as "EthernetDevices", rebuilds at the configured interval, checks the ports'
// link once at least 10 seconds after each build, and raises an event when a port's state or
// health changes between two builds.
class NICResourceManager : public orbResourceManager {
  public:
    static NICResourceManager* getInstance();

    int cacheBuild() override;
    int stopResourceManagerJob() override;
    int init() override;
    int startInventory() override;
    // 0 with the current inventory, 1 with the previous copy (a build is running).
    int getInventoryJsonObject(std::vector<Json::Value>& out) override;
    bool isRunning() override;
    bool isInventoryReady(int requester) override;

    // A test event asked for by the local command server.
    void generateTestEvent(int eventId, const std::string& arg) override;

  private:
    NICResourceManager() = default;

    bool stopping() const;
    // -1 when the listing could not be read; the rows of the ports otherwise.
    int getInterfaceDetails(std::vector<std::vector<std::string>>& rows);
    // False when the listing failed or a stop cut the discovery short.
    bool getInventory();
    bool checkLinkState();
    void compareStatusAndGenerateEvent();
    void generateEvent(int eventCode, const std::string& name, bool flag,
                       const std::string& location, const PhyAdapterInventory& record,
                       const std::string& source = "ORB");
    static void populateInventory(Json::Value& out, const PhyAdapterInventory& record);
    static Json::Value getVariableData(const PhyAdapterInventory& record, int eventId);
    static std::string getDescription(int eventId);
    void createJsonStringUsingJsonCpp();
    void backupInventory();
    // Runs a listing command into the port list file and reads it back; the file is gone
    // afterwards whatever happened. The command's result, or 1 when the file was unreadable.
    int runIntoListFile(const std::string& command, std::vector<std::string>& lines);

    std::vector<Json::Value> NICInventory;
    std::vector<Json::Value> prevNICInventory;
    std::vector<PhyAdapterInventory> _NICInfo;
    std::vector<PhyAdapterInventory> _prevNICInfo;

    // Guarded by rm_cmutex.
    bool refreshCache = true;
    bool checkNICState = false;
    // Stops the running init() and the commands its thread runs; rearmed as each run begins.
    orbStopRequest stopNIC;
    std::atomic<bool> _cacheBuildInProgress{false};
    std::atomic<std::time_t> lastRefreshTime{0};
    std::mutex rm_cmutex;
    std::condition_variable rm_cond;
    // Held for a whole build; guards NICInventory and _NICInfo.
    std::mutex mlock;
    // Guards prevNICInventory and _prevNICInfo.
    std::mutex prevInventoryLock;
};
