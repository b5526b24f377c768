#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/physloc_interface.h"
#include "host/physloc_library.h"

// What tells the platform variants apart: the library file, how many numbers a GeoID has
// (the last one is the slot) and the location type the library expects for each kind of unit.
struct orbPhysLocVariant {
    const char* libraryPath;  // fixed absolute path, resolved through orbRootPath
    size_t geoIdParts;
    physloc_type_t ioSlotType;
    physloc_type_t onBoardNetworkType;
    physloc_type_t externalDriveType;
    physloc_type_t driveSlotType;
    physloc_type_t backplaneType;
    char chassisLetters[2];  // GeoID letters of the two chassis numbers ("r001u01", "r001i01")
};

// A physical-location interface backed by the platform's library, loaded with dlopen. Queries
// run from every resource-manager thread; the library entry points are published atomically
// by Initialize() and the library itself is assumed to be callable concurrently.
class orbLibraryPhysLocInterface : public orbPhysLocInterface {
  public:
    explicit orbLibraryPhysLocInterface(const orbPhysLocVariant& variant);
    ~orbLibraryPhysLocInterface() override;
    orbLibraryPhysLocInterface(const orbLibraryPhysLocInterface&) = delete;
    orbLibraryPhysLocInterface& operator=(const orbLibraryPhysLocInterface&) = delete;

    bool Initialize() override;
    void UnInitialize() override;
    std::string getPCIeSlotForIOSlot(const std::string& pci) override;
    std::string getPhysLocForIOSlot(const std::string& pci) override;
    std::string getPhysLocForNetworkAdapter(const std::string& pci) override;
    std::string getPhysLocForChassisDriveSlot(const std::string& pci, int bay) override;
    std::string getPhysLocForExternalDrive(const std::string& pci) override;
    std::string getPhysLocForChassisStorageBackplane(const std::string& pci, int box) override;
    int checkPCIDevicesLocatedInSameChassis(const std::string& first,
                                            const std::string& second) override;
    int checkIfPCICardIsOnBoard(const std::string& pci) override;
    int getChassisLocationForIOSlot(const std::string& pci, std::string& out) override;
    std::string getPhysLocLibraryName() override;

    // Asks the library for the code of one unit. parts are the GeoID numbers as decimal text,
    // extra a function, bay or box number as decimal text, or "NA" for none. A non-zero
    // library result is stored in *rc when rc is given; any failure answers
    // ORB_UNKNOWN_PHYSICAL_LOCATION.
    virtual std::string physlocEncode(const std::string& pci, const std::vector<std::string>& parts,
                                      physloc_type_t type, physloc_rtn_t* rc,
                                      const std::string& extra);

  private:
    struct LibraryCloser {
        void operator()(void* handle) const;
    };

    // The GeoID numbers of a device when there are as many as this platform's GeoIDs have;
    // otherwise logs the split-size line naming what was asked for and returns false.
    bool geoIdOf(const std::string& pci, const char* purpose, std::vector<std::string>& parts);

    const orbPhysLocVariant& variant;
    std::mutex lock;  // serialises loading and unloading
    std::unique_ptr<void, LibraryCloser> library;
    std::atomic<physloc_init_data_fn> initData{nullptr};
    std::atomic<physloc_encode_fn> encode{nullptr};
};
