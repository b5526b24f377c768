#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "megaraid/storelib_abi.h"
#include "megaraid/storelib_records.h"

// One MegaRAID controller as the storage library describes it.
struct CTRL_INFO {
    uint32_t ctrlId = 0;
    int index = -1;
    std::string serialNumber;  // empty unless the manufacturing data could be read
    std::string model;
    std::string protocol;  // "SAS/SATA", or "SAS/SATA/NVMe" for tri-mode boards
    uint32_t chipsetId = 0;
    uint32_t boardId = 0;
    std::string pciLocation;
    std::string firmwareVersion;
};

// One physical drive behind a MegaRAID controller.
struct PD_INFO {
    uint32_t ctrlId = 0;
    uint16_t deviceId = 0;
    uint16_t enclosure = 0;
    uint8_t slot = 0;
    std::string mediaType;      // "HDD" or "SSD"
    std::string interfaceType;  // "SAS", "SATA", ...
    std::string fwStateText;
    int health = 3;
    std::string serialNumber;
    std::string vendorName;
    orbMRDriveData raw;
};

// One volume of a MegaRAID controller.
struct LD_INFO {
    uint32_t ctrlId = 0;
    uint8_t targetId = 0;
    std::string stateText;
    int health = 3;
    std::string raidLevel;
    std::vector<std::string> memberSerials;
    orbMRVolumeData raw;
};

// The storage library: loaded on first use, initialised once, and asked for the controllers,
// drives and volumes it manages. The three lists are rebuilt together or by kind; readers get
// a copy, and the copy of the last finished rebuild while a rebuild runs.
class orbStoreLibInterface {
  public:
    static orbStoreLibInterface* getInstance();

    // Loads and initialises the library; true when it is usable and has at least one
    // controller.
    bool orbStoreInit();
    bool isInitialized() const { return initializeMRsuccessful.load(); }
    // True once the library file was opened (and is still open).
    bool isLibraryPresent() const { return libMRPresent.load(); }

    // One command through the entry point of its controller; the library's status, or
    // SL_ERR_INIT_NOT_DONE when no library is loaded.
    int ProcessLibCommandCall(SL_LIB_CMD_PARAM_T* command);
    // A command built from its parts.
    int issueCommand(uint8_t type, uint8_t cmd, uint32_t ctrlId, void* data, uint32_t size,
                     uint16_t deviceId = 0);

    // Rebuilds the lists the scope names: "All"/"ALL_EVENT" (everything), "PD_EVENT",
    // "LD_EVENT", "CTRL_EVENT"; anything else rebuilds everything.
    void cacheBuild(const std::string& scope);

    std::vector<CTRL_INFO> getControllerCollection();
    // False when the controller is not listed.
    bool getControllerInventory(uint32_t ctrlId, CTRL_INFO& out);
    std::vector<PD_INFO> getPDInventoryForCtrl(uint32_t ctrlId);
    std::vector<LD_INFO> getLDInventoryForCtrl(uint32_t ctrlId);
    // The identifiers of the merged controller list.
    std::vector<uint32_t> getControllerIds();

    // Shutdown: the library's own exit, then closing it.
    int UnInitializeLibrary();
    void unloadDLLs();

    std::string getControllerSerialNo(uint32_t ctrlId);
    int fireSCSIVPDInquiry(uint32_t ctrlId, uint16_t deviceId, uint8_t page,
                           std::vector<uint8_t>& answer);

  private:
    orbStoreLibInterface() = default;

    // Load, initialise, unload; called with libraryMutex held.
    bool loadLibrary();
    int InitializeLibraryMR();
    void closeLibrary();

    bool getCtrlList(std::map<uint32_t, int>& indexById);
    void buildControllerInfo();
    void buildPDInfo();
    void buildLDInfo();
    bool takeLock();
    int firmwareCommand(uint32_t ctrlId, uint32_t opcode, std::vector<uint8_t>& data);

    std::mutex libraryMutex;
    void* dllInstanceMR = nullptr;
    std::atomic<SL_PROCESS_LIB_COMMAND> pfnProcessLibCommandMR{nullptr};
    std::atomic<SL_PROCESS_LIB_COMMAND> pfnProcessLibCommand{nullptr};
    std::atomic<bool> libMRPresent{false};
    std::atomic<bool> doNotRetryLibLoad{false};
    std::atomic<bool> initializeMRsuccessful{false};
    bool sigchldInstalled = false;
    SL_CTRL_LIST_T gCtrlListMR{};
    SL_CTRL_LIST_T gCtrlList{};
    std::atomic<unsigned> gTotalControllers{0};

    // Held for a whole rebuild; readers try it and fall back to the previous copies.
    std::mutex cache_lock;
    std::vector<CTRL_INFO> controllers;
    std::map<uint32_t, std::vector<PD_INFO>> drives;
    std::map<uint32_t, std::vector<LD_INFO>> volumes;
    std::map<uint32_t, int> ctrlIndexById;
    // The lists as the last finished rebuild left them.
    std::mutex previousMutex;
    std::vector<CTRL_INFO> previousControllers;
    std::map<uint32_t, std::vector<PD_INFO>> previousDrives;
    std::map<uint32_t, std::vector<LD_INFO>> previousVolumes;
};
