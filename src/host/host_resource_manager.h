#pragma once

#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <vector>

#include "core/resource_manager.h"
#include "core/stop_request.h"
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
    // The host's sample events name no device.
    void generateTestEvent(int eventId, const std::string&) override { generateTestEvent(eventId); }

  private:
    HostResourceManager();

    // True once this run was asked to stop.
    bool stopping() const;
    void orbStartUpFileOperations(ORBOperation operation);
    void genOSBootLogic();
    // False when a stop request cut the collection short.
    bool populateHostInfo();
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

    // The refresh loop's flag, guarded by cmutex.
    bool refreshCache = true;
    // Stops the running init() and the commands its thread runs; each run rearms it as it
    // begins.
    orbStopRequest stopHost;
    std::atomic<std::time_t> lastRefreshTime{0};
    std::atomic<bool> _cacheBuildInProgress{false};
    // A second init() on a running manager must not touch the start-up file.
    std::atomic<bool> active{false};
    // Guards the start-up file and the two flags below: the stop is recorded once per run,
    // by the stop request itself when the run has recorded its start, so that a loop held up
    // in a slow step cannot leave the file saying the service still runs.
    std::mutex startupLock;
    bool startRecorded = false;
    bool stopRecorded = false;
    orbBootVerdict bootVerdict = orbBootVerdict::NothingToReport;
    std::mutex cmutex;
    std::condition_variable cond;
    // Held for a whole build; guards hostInfoList and HostInventory.
    std::mutex mlock;
    // Guards prevHostInventory.
    std::mutex prevInventoryLock;
};
