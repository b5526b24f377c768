#pragma once

#include <json/json.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/resource_manager.h"
#include "core/stop_request.h"
#include "fc/fc_device_info.h"
#include "fc/fc_host_maps.h"

// The resource manager of the Fibre Channel host bus adapters: loads the vendors' HBA API
// libraries, reads every adapter and its ports, adds what the host knows of it (VMkernel name,
// PCI address and IDs, part number, manufacturer, location), renders the adapters as
// "FibreChannelDevices", rebuilds at the configured interval, checks the ports' states once
// at least 10 seconds after each build, and raises an event when an adapter's state changes
// between two builds.
//
// The HBA API loader keeps no locks: the libraries are loaded, used and freed on the FC
// thread alone, and freed whenever init() returns.
class FCResourceManager : public orbResourceManager {
  public:
    static FCResourceManager* getInstance();

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

    // Port state and health as the inventory names them.
    static ORB_RESOURCE_STATE getState(HBA_PORTSTATE portState);
    static ORB_RESOURCE_HEALTH getHealth(ORB_RESOURCE_STATE state);
    // "51:40:2e:c0:00:a1:77:b0".
    static std::string WWNtoString(const HBA_WWN& wwn);

  private:
    using IdPair = std::pair<std::string, std::string>;
    struct PendingEvent {
        int code;
        bool flag;
        orbFCDeviceInfo record;
    };

    FCResourceManager() = default;

    bool stopping() const;
    bool loadLibrary();
    void unLoadLibrary();
    void discoverInstances();
    bool openAdapter(orbFCDeviceInfo& record);
    void closeAdapter(orbFCDeviceInfo& record);
    bool getFcHbaData(orbFCDeviceInfo& record);
    // What the HBA API says of the open adapter: attributes and the state of its worst port.
    bool readAdapterAttributes(orbFCDeviceInfo& record);
    // What the host says of the adapter: names, IDs, part number, manufacturer, location.
    void addHostFacts(orbFCDeviceInfo& record);
    IdPair cachedIds(std::map<std::string, IdPair>& cache, const std::string& pci, bool subsystem);
    static std::string getFcaHostCntlrPartNumber(const std::string& vendor,
                                                 const std::string& device,
                                                 const std::string& subVendor,
                                                 const std::string& subDevice);
    static void getOemValues(const std::string& pci, std::string& location,
                             std::string& description);
    bool waitOnPortState(int records);

    static void jsonInventory(Json::Value& out, const orbFCDeviceInfo& record);
    static Json::Value getVariableData(const orbFCDeviceInfo& record, int eventId);
    static std::string getDescription(int eventId);
    void compareStatusAndFetchEventAttributes(const orbFCDeviceInfo& record, int& eventCode,
                                              bool& flag);
    static void fetchFCEventInfo(ORB_RESOURCE_STATE newState, ORB_RESOURCE_STATE oldState,
                                 int& eventCode, bool& flag);
    void raiseEvent(int eventCode, bool flag, const orbFCDeviceInfo& record,
                    const std::string& source);
    void backupInventory();
    void createJsonStringUsingJsonCpp();

    // Written by builds, under mlock.
    std::vector<orbFCDeviceInfo> fcDevices;
    std::vector<Json::Value> FCInventory;
    // Guarded by prevInventoryLock.
    std::vector<Json::Value> prevFCInventory;
    // FC thread only.
    std::vector<orbFCDeviceInfo> prevFcDevices;
    std::map<int, ORB_RESOURCE_STATE> portStateMap;
    orbFcHostMaps hostMaps;

    // Guarded by cmutex.
    bool refreshCache = true;
    bool checkPortState = false;
    // Stops the running init() and the commands its thread runs; rearmed as each run begins.
    orbStopRequest stopFC;
    // FC thread only.
    bool fcVendorLibraryLoaded = false;
    int NumAdapters = 0;
    int NumFcaEntries = 0;
    std::atomic<bool> _cacheBuildInProgress{false};
    std::atomic<std::time_t> lastRefreshTime{0};
    std::mutex cmutex;
    std::condition_variable cond;
    // Held for a whole build; guards fcDevices, FCInventory and portStateMap.
    std::mutex mlock;
    std::mutex prevInventoryLock;
    // PCI address -> IDs read for it; only successful reads are kept.
    std::mutex idCacheLock;
    std::map<std::string, IdPair> vendorDevice;
    std::map<std::string, IdPair> subVendorDevice;
};
