#pragma once

#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <vector>

#include "core/resource_manager.h"
#include "host/host_records.h"
#include "host/startup_file.h"

// Start-up file operations of one service run.
enum ORBOperation {
    OP_START = 0,
    OP_STOP = 1,
};

// The resource manager of the host itself: its operating-system facts and the collection
// facts, rebuilt every 60 seconds, and the reboot and unclean-stop events of each start.
class HostResourceManager : public orbResourceManager {
public:
    static HostResourceManager* getInstance();

    int cacheBuild() override;
    int stopResourceManagerJob() override;
    int init() override;
    int startInventory() override;
    // 0 with the current inventory, 1 with the previous copy (a build is running).
    int getInventoryJsonObject(std::vector<Json::Value>& out) override;
    bool isRunning() override;
    bool isInventoryReady(int requester) override;

    // A test event asked for by the local command server.
    void generateTestEvent(int eventId);

private:
    HostResourceManager();

    void orbStartUpFileOperations(ORBOperation operation);
    void genOSBootLogic();
    void populateHostInfo();
    void populateCollectionInfo();
    std::vector<double> getTotalPhysicalMemory();
    void createJsonStringUsingJsonCpp();
    void backupInventory();
    void raiseHostEvent(int eventId);

    std::vector<orbHostOSInfo> hostInfoList;
    std::vector<Json::Value> HostInventory;
    std::vector<Json::Value> prevHostInventory;
    Json::Value inventoryRoot;
    orbCollectionInfo collectionInfo;
    std::time_t currentStartTime = 0;
    orbStartupFile startupFile;

    // The refresh loop's flags, guarded by cmutex.
    bool refreshCache = true;
    bool stopHost = false;
    std::atomic<std::time_t> lastRefreshTime{0};
    std::atomic<bool> _cacheBuildInProgress{false};
    // A second init() on a running manager must not touch the start-up file.
    std::atomic<bool> active{false};
    std::mutex cmutex;
    std::condition_variable cond;
    // Held for a whole build; guards hostInfoList and HostInventory.
    std::mutex mlock;
    // Guards prevHostInventory.
    std::mutex prevInventoryLock;
};
