#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "record_json_expect.h"
#include "storage/controller_info.h"
#include "storage/disk_info.h"
#include "storage/enclosure_info.h"
#include "storage/location_code.h"
#include "storage/logical_disk_ext_info.h"
#include "storage/logical_disk_info.h"
#include "support/test_environment.h"

using ::testing::HasSubstr;

// The enclosure's bay and segment counts are written while the debug log is on.
ORB_TEST_CONFIGURATION(R"({
    "EnableResources": ["All"],
    "LoggingLevel": "Info",
    "EnableDebugLog": true,
    "ORBLogLocation": "/var/log/vex/orb/orb.log",
    "DebugLogLocation": "/var/log/vex/orb/orb-debug.log"
})");

namespace {

// A consistency-check state that counts the live instances, so that a lost or doubly owned
// state shows.
class CountedCCState : public orbLogicalDiskConsistencyCheckStateBase {
  public:
    explicit CountedCCState(int findings) : findings(findings) { ++live; }
    CountedCCState(const CountedCCState& other)
        : orbLogicalDiskConsistencyCheckStateBase(other), findings(other.findings) {
        ++live;
    }
    ~CountedCCState() override { --live; }
    std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> clone() const override {
        return std::make_unique<CountedCCState>(*this);
    }
    static int findingsOf(const orbLogicalDiskConsistencyCheckStateBase* state) {
        return state == nullptr ? -1 : static_cast<const CountedCCState*>(state)->findings;
    }

    int findings;
    static int live;
};
int CountedCCState::live = 0;

orbStorageControllerPortInfo samplePort(const std::string& host, ORB_RESOURCE_STATE state,
                                        ORB_RESOURCE_HEALTH health) {
    orbStorageControllerPortInfo port;
    port.setState(state);
    port.setHealth(health);
    port.setOSInstanceName("/sys/class/scsi_host/" + host);
    port.setDriverName("lsi_msgpt3");
    return port;
}

// The SAS3008 HBA in slot 1 of the default host, with one port.
orbStorageControllerInfo sampleController() {
    orbStorageControllerInfo controller;
    controller.setState(ORB_STATE_RUNNING);
    controller.setHealth(ORB_HEALTH_OK);
    controller.setPhysicalLocation("0101000100010000");
    controller.setDescription("PCIe Slot 1");
    controller.setDeviceName("vmhba1");
    controller.setModel("SAS9300-8i");
    controller.setSerialNumber("SP71234567");
    controller.setPartNumber("H5-25573-00");
    controller.setFirmwareVersion("16.00.10.00");
    controller.setManufacturer("Broadcom / LSI");
    controller.setProtocol("SAS/SATA");
    controller.setChipsetID(0x00971000);
    controller.setBoardID(0x30e01000);
    controller.addControllerPort(samplePort("host1", ORB_STATE_RUNNING, ORB_HEALTH_OK));
    controller.setEventInfoString("The storage controller port(s) are now online.");
    return controller;
}

// A 1.92 TB SATA SSD in bay 3 behind that HBA: its capacity needs more than 32 bits.
orbDiskInfo sampleDrive() {
    orbDiskInfo drive;
    drive.setState(ORB_STATE_PREDICTIVE_FAILURE);
    drive.setHealth(ORB_HEALTH_WARNING);
    drive.setSlot("3");
    drive.setPhysicalLocation("0101000100010003");
    drive.setATADeviceNumber(4);
    drive.setSerialNumber("S4NANE0M500123");
    drive.setPartNumber("MZ7LH1T9HMLT");
    drive.setModel("SAMSUNG MZ7LH1T9HMLT");
    drive.setCapacityBytes(1920383410176ULL);
    drive.setProtocol("SATA");
    drive.setManufacturer("Samsung");
    drive.setMediaType("SSD");
    drive.setRevision("HXT7404Q");
    drive.setOSDeviceName("naa.5002538e00000003");
    drive.setOSSCSILink("1:0:3:0");
    drive.setOSSGHandle(7);
    drive.setATAMajorRevision(0x07F0);
    drive.setEventInfoString("[SSD Wear percentage (96); Threshold (95)]");
    return drive;
}

// A two-drive RAID 1 volume of the MegaRAID 9560 in slot 2.
orbLogicalDiskInfo sampleVolume() {
    orbLogicalDiskInfo volume;
    volume.setState(ORB_STATE_OPTIMAL);
    volume.setHealth(ORB_HEALTH_OK);
    volume.setDeviceName("naa.600062b2000000000000000000000001");
    volume.setHostControllerPhysicalLocation("0101000100020000");
    volume.setDurableName("600062B2000000000000000000000001");
    volume.setRAIDLevel("RAID1");
    volume.setCapacityBytes(959119884288ULL);
    volume.addPhysicalDisk("S4NANE0M500001");
    volume.addPhysicalDisk("S4NANE0M500002");
    volume.setDescription("Mirror");
    volume.setLogicalDiskID("0");
    volume.setEventInfoString("Volume is optimal.");
    return volume;
}

TEST(StorageRecords, StateAndHealthTextsStayInsideTheirTables) {
    EXPECT_EQ(orbResourceStateMap.size(), 25u);
    EXPECT_EQ(orbResourceHealthMap.size(), 4u);
    const struct {
        int value;
        const char* text;
    } states[] = {
        {0, "Unknown"},   {3, "Cancel/Recovery"},     {11, "Failed"},
        {14, "Offline"},  {19, "Predictive failure"}, {22, "Recovery"},
        {23, "Running"},  {24, "Unconfigured bad"},   {25, "Unknown"},
        {200, "Unknown"}, {255, "Unknown"},
    };
    for (const auto& c : states) {
        EXPECT_STREQ(orbResourceStateText(static_cast<ORB_RESOURCE_STATE>(c.value)), c.text)
            << c.value;
    }
    const struct {
        int value;
        const char* text;
    } healths[] = {{0, "Unknown"}, {1, "Critical"}, {2, "OK"},
                   {3, "Warning"}, {4, "Unknown"},  {255, "Unknown"}};
    for (const auto& c : healths) {
        EXPECT_STREQ(orbResourceHealthText(static_cast<ORB_RESOURCE_HEALTH>(c.value)), c.text)
            << c.value;
    }

    // A record holding a byte that no table entry names still renders.
    orbStatusInfo status;
    status.setState(static_cast<ORB_RESOURCE_STATE>(0x80));
    status.setHealth(static_cast<ORB_RESOURCE_HEALTH>(9));
    expectRecordJson(status.getVariableData(), R"({"Health":"Unknown","State":"Unknown"})");
}

TEST(StorageRecords, ControllerEventPayloadCarriesIdentityAndLocationButNoStatus) {
    const orbStorageControllerInfo controller = sampleController();
    expectRecordJson(
        controller.getVariableData(),
        R"({"Data":{"FirmwareVersion":"16.00.10.00","Manufacturer":"Broadcom / LSI",)"
        R"("Model":"SAS9300-8i","Oem":{"Description":"PCIe Slot 1",)"
        R"("PhysicalLocation":"0101000100010000"},"PartNumber":"H5-25573-00",)"
        R"("Protocol":"SAS/SATA","SerialNumber":"SP71234567"},)"
        R"("EventInfo":"The storage controller port(s) are now online.","Type":"Controller"})");
    EXPECT_TRUE(controller.getInventoryData().isNull());
}

TEST(StorageRecords, DriveEventPayloadCarriesCapacityAsUnsignedNumber) {
    const orbDiskInfo drive = sampleDrive();
    expectRecordJson(drive.getVariableData(),
                     R"({"Data":{"CapacityBytes":1920383410176,"Manufacturer":"Samsung",)"
                     R"("MediaType":"SSD","Model":"SAMSUNG MZ7LH1T9HMLT",)"
                     R"("Oem":{"PhysicalLocation":"0101000100010003","Slot":"3"},)"
                     R"("PartNumber":"MZ7LH1T9HMLT","Protocol":"SATA","Revision":"HXT7404Q",)"
                     R"("SerialNumber":"S4NANE0M500123"},)"
                     R"("EventInfo":"[SSD Wear percentage (96); Threshold (95)]","Type":"Drive"})");
    EXPECT_EQ(drive.getVariableData()["Data"]["CapacityBytes"].type(), Json::uintValue);
    EXPECT_TRUE(drive.getInventoryData().isNull());

    // The largest capacity a drive can report survives as a number.
    orbDiskInfo huge;
    huge.setCapacityBytes(UINT64_MAX);
    EXPECT_EQ(huge.getVariableData()["Data"]["CapacityBytes"].asUInt64(), UINT64_MAX);
}

TEST(StorageRecords, VolumeEventPayloadListsMemberDrivesOnlyWhenItHasSome) {
    orbLogicalDiskInfo volume = sampleVolume();
    expectRecordJson(volume.getVariableData(),
                     R"({"Data":{"CapacityBytes":959119884288,)"
                     R"("Drives":["S4NANE0M500001","S4NANE0M500002"],)"
                     R"("DurableName":"600062B2000000000000000000000001",)"
                     R"("Oem":{"DeviceName":"naa.600062b2000000000000000000000001",)"
                     R"("HostControllerPhysicalLocation":"0101000100020000"},)"
                     R"("VolumeType":"RAID1"},"EventInfo":"Volume is optimal.","Type":"Volume"})");
    EXPECT_EQ(volume.getVariableData()["Data"]["CapacityBytes"].type(), Json::uintValue);
    EXPECT_TRUE(volume.getInventoryData().isNull());

    volume.clearPhysicalDiskList();
    EXPECT_FALSE(volume.getVariableData()["Data"].isMember("Drives"));
}

TEST(StorageRecords, EnclosureShapesCarryBayAndSegmentCountsWhileDebugLogIsOn) {
    const orbStorageEnclosureInfo enclosure = sampleEnclosure();
    expectRecordJson(enclosure.getVariableData(),
                     R"({"Data":{"FirmwareVersion":"2.20","Model":"8 SFF Backplane",)"
                     R"("Oem":{"BayCount":8,"Box":1,"PhysicalLocation":"0101000100010000",)"
                     R"("SegmentCount":2},"PartNumber":"BP-8SFF-01","SerialNumber":"BPS0042",)"
                     R"("Type":"Backplane"},"EventInfo":"","Type":"StorageEnclosure"})");
    expectRecordJson(enclosure.getInventoryData(),
                     R"({"FirmwareVersion":"2.20","Model":"8 SFF Backplane",)"
                     R"("Oem":{"BayCount":8,"Box":1,"PhysicalLocation":"0101000100010000",)"
                     R"("SegmentCount":2},"PartNumber":"BP-8SFF-01","SerialNumber":"BPS0042",)"
                     R"("Status":{"Health":"OK","State":"Running"},"Type":"Backplane"})");
}

TEST(StorageRecords, PartsDescribeThemselvesAsTheRecordsThatHoldThem) {
    const orbStorageControllerInfo controller = sampleController();
    const orbDiskInfo drive = sampleDrive();
    const orbLogicalDiskInfo volume = sampleVolume();
    const orbStorageEnclosureInfo enclosure = sampleEnclosure();
    orbLogicalDiskExtInfo ext;
    ext.setDeviceName("naa.600062b2000000000000000000000001");
    ext.setHostControllerPhysicalLocation("0101000100020000");

    const struct {
        const char* name;
        Json::Value json;
        const char* expected;
    } cases[] = {
        {"controller status", controller.orbStatusInfo::getInventoryData(),
         R"({"Health":"OK","State":"Running"})"},
        {"drive status", drive.orbDiskStatusInfo::getVariableData(),
         R"({"Health":"Warning","State":"Predictive failure"})"},
        {"drive status inventory", drive.orbDiskStatusInfo::getInventoryData(), "null"},
        {"drive location", drive.orbDiskPhyLoc::getVariableData(),
         R"({"PhysicalLocation":"0101000100010003","Slot":"3"})"},
        {"drive location inventory", drive.orbDiskPhyLoc::getInventoryData(), "null"},
        {"controller location", controller.orbIOControllerPhyLoc::getVariableData(),
         R"({"Description":"PCIe Slot 1","PhysicalLocation":"0101000100010000"})"},
        {"controller location inventory", controller.orbIOControllerPhyLoc::getInventoryData(),
         "null"},
        {"port", controller.getControllerPort(0).getVariableData(), "null"},
        {"port inventory", controller.getControllerPort(0).getInventoryData(), "null"},
        {"enclosure oem", enclosure.orbStorageEnclosureOEMInfo::getInventoryData(),
         R"({"BayCount":8,"Box":1,"PhysicalLocation":"0101000100010000","SegmentCount":2})"},
        {"volume oem", volume.orbLogicalDiskOEMInfo::getVariableData(),
         R"({"DeviceName":"naa.600062b2000000000000000000000001",)"
         R"("HostControllerPhysicalLocation":"0101000100020000"})"},
        {"volume ext", ext.getVariableData(),
         R"({"DeviceName":"naa.600062b2000000000000000000000001",)"
         R"("HostControllerPhysicalLocation":"0101000100020000"})"},
        {"volume ext inventory", ext.getInventoryData(), "null"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectRecordJson(c.json, c.expected);
    }
}

TEST(StorageRecords, NewDriveStartsUndiscovered) {
    const orbDiskInfo drive;
    EXPECT_EQ(drive.getState(), ORB_STATE_UNKNOWN);
    EXPECT_EQ(drive.getHealth(), ORB_HEALTH_UNKNOWN);
    EXPECT_EQ(drive.getEventState(), ORB_STATE_UNKNOWN);
    EXPECT_EQ(drive.getEventHealth(), ORB_HEALTH_UNKNOWN);
    EXPECT_EQ(drive.getATADeviceNumber(), -1);
    EXPECT_EQ(drive.getOSSGHandle(), -1);
    EXPECT_EQ(drive.getCapacityBytes(), 0u);
    EXPECT_EQ(drive.getATAMajorRevision(), 0);
    EXPECT_TRUE(drive.getIfTempPageSupported());
    EXPECT_TRUE(drive.getIfSSDWearPageSupported());
    EXPECT_FALSE(drive.getDeviceMissing());
    EXPECT_EQ(drive.getPreferSCModelNumber(), TRISTATE_UNDETERMINED);
}

TEST(StorageRecords, ControllerPortAndDriveCopiesKeepEveryStatusByte) {
    orbStorageControllerInfo controller = sampleController();
    controller.setEventState(ORB_STATE_FAILED);
    controller.setEventHealth(ORB_HEALTH_CRITICAL);
    orbStorageControllerPortInfo port = samplePort("host1", ORB_STATE_RECOVERY, ORB_HEALTH_WARNING);
    port.setEventState(ORB_STATE_OFFLINE);
    port.setEventHealth(ORB_HEALTH_CRITICAL);
    port.setLastRecoveryTimestamp(1700000000);
    controller.addControllerPort(port);
    orbDiskInfo drive = sampleDrive();
    drive.setEventState(ORB_STATE_RUNNING);
    drive.setEventHealth(ORB_HEALTH_OK);
    orbStorageEnclosureInfo enclosure = sampleEnclosure();
    enclosure.setEventState(ORB_STATE_DEGRADED);
    enclosure.setEventHealth(ORB_HEALTH_WARNING);

    const orbStorageControllerInfo controllerCopy(controller);
    EXPECT_EQ(controllerCopy.getEventState(), ORB_STATE_FAILED);
    EXPECT_EQ(controllerCopy.getEventHealth(), ORB_HEALTH_CRITICAL);
    const orbStorageControllerPortInfo portCopy = controllerCopy.getControllerPort(1);
    EXPECT_EQ(portCopy.getState(), ORB_STATE_RECOVERY);
    EXPECT_EQ(portCopy.getEventState(), ORB_STATE_OFFLINE);
    EXPECT_EQ(portCopy.getEventHealth(), ORB_HEALTH_CRITICAL);
    EXPECT_EQ(portCopy.getLastRecoveryTimestamp(), 1700000000);

    orbDiskInfo driveCopy;
    driveCopy = drive;
    EXPECT_EQ(driveCopy.getState(), ORB_STATE_PREDICTIVE_FAILURE);
    EXPECT_EQ(driveCopy.getEventState(), ORB_STATE_RUNNING);
    EXPECT_EQ(driveCopy.getEventHealth(), ORB_HEALTH_OK);
    EXPECT_EQ(driveCopy.getOSSGHandle(), 7);

    orbStorageEnclosureInfo enclosureCopy;
    enclosureCopy = enclosure;
    EXPECT_EQ(enclosureCopy.getEventState(), ORB_STATE_DEGRADED);
    EXPECT_EQ(enclosureCopy.getEventHealth(), ORB_HEALTH_WARNING);
    EXPECT_EQ(enclosureCopy.getEnclosureType(), ORB_ENCLOSURE_TYPE_CHASSIS_INTERNAL);
    EXPECT_EQ(enclosureCopy.getControllerPCILocation(), "0000:3b:00.0");
}

TEST(StorageRecords, VolumeCopyTakesStatusButNotWhatWasReported) {
    const int liveBefore = CountedCCState::live;
    {
        auto original = std::make_unique<orbLogicalDiskInfo>(sampleVolume());
        original->setState(ORB_STATE_FAILED);
        original->setHealth(ORB_HEALTH_CRITICAL);
        original->setEventState(ORB_STATE_FAILED);
        original->setEventHealth(ORB_HEALTH_CRITICAL);
        original->setCurrentCCState(std::make_unique<CountedCCState>(3));
        original->setPreviousCCState(std::make_unique<CountedCCState>(5));

        orbLogicalDiskInfo copy(*original);
        EXPECT_EQ(copy.getState(), ORB_STATE_FAILED);
        EXPECT_EQ(copy.getHealth(), ORB_HEALTH_CRITICAL);
        EXPECT_EQ(copy.getEventState(), ORB_STATE_UNKNOWN);
        EXPECT_EQ(copy.getEventHealth(), ORB_HEALTH_UNKNOWN);
        EXPECT_TRUE(sameJson(copy.getVariableData(), original->getVariableData()));
        EXPECT_NE(copy.getCurrentCCState(), original->getCurrentCCState());
        EXPECT_NE(copy.getPreviousCCState(), original->getPreviousCCState());
        EXPECT_EQ(CountedCCState::live, liveBefore + 4);

        // The copy's states are its own: they outlive the record they were cloned from.
        original.reset();
        EXPECT_EQ(CountedCCState::findingsOf(copy.getCurrentCCState()), 3);
        EXPECT_EQ(CountedCCState::findingsOf(copy.getPreviousCCState()), 5);

        // An assignment keeps what the target last reported, and a source without states
        // leaves the target without any.
        orbLogicalDiskInfo target;
        target.setEventState(ORB_STATE_OPTIMAL);
        target.setEventHealth(ORB_HEALTH_OK);
        target.setCurrentCCState(std::make_unique<CountedCCState>(9));
        target = copy;
        EXPECT_EQ(target.getState(), ORB_STATE_FAILED);
        EXPECT_EQ(target.getEventState(), ORB_STATE_OPTIMAL);
        EXPECT_EQ(target.getEventHealth(), ORB_HEALTH_OK);
        EXPECT_EQ(CountedCCState::findingsOf(target.getCurrentCCState()), 3);
        target = sampleVolume();
        EXPECT_EQ(target.getCurrentCCState(), nullptr);
        EXPECT_EQ(target.getPreviousCCState(), nullptr);

        // A record assigned to itself keeps everything, and so does one whose states are
        // cloned from itself.
        const auto* current = copy.getCurrentCCState();
        orbLogicalDiskInfo& alias = copy;
        copy = alias;
        EXPECT_EQ(copy.getCurrentCCState(), current);
        copy.cloneConsistencyCheckState(alias);
        EXPECT_EQ(CountedCCState::findingsOf(copy.getCurrentCCState()), 3);
        EXPECT_EQ(CountedCCState::findingsOf(copy.getPreviousCCState()), 5);

        copy.cleanExistingObjReferences();
        EXPECT_EQ(copy.getCurrentCCState(), nullptr);
        EXPECT_EQ(copy.getPreviousCCState(), nullptr);
    }
    EXPECT_EQ(CountedCCState::live, liveBefore);
}

TEST(StorageRecords, MovedVolumeKeepsEverythingAndLeavesASafeRecordBehind) {
    const int liveBefore = CountedCCState::live;
    {
        orbLogicalDiskInfo source = sampleVolume();
        source.setEventState(ORB_STATE_DEGRADED);
        source.setEventHealth(ORB_HEALTH_WARNING);
        source.setCurrentCCState(std::make_unique<CountedCCState>(1));
        const auto* state = source.getCurrentCCState();

        orbLogicalDiskInfo moved(std::move(source));
        EXPECT_EQ(moved.getEventState(), ORB_STATE_DEGRADED);
        EXPECT_EQ(moved.getEventHealth(), ORB_HEALTH_WARNING);
        EXPECT_EQ(moved.getCurrentCCState(), state);
        EXPECT_EQ(CountedCCState::live, liveBefore + 1);

        // The record left behind owns nothing and can be rendered, copied and reused.
        EXPECT_EQ(source.getCurrentCCState(), nullptr);  // NOLINT(bugprone-use-after-move)
        orbLogicalDiskInfo fromLeftover(source);
        EXPECT_EQ(fromLeftover.getCurrentCCState(), nullptr);
        source.getVariableData();
        source = moved;
        EXPECT_EQ(CountedCCState::findingsOf(source.getCurrentCCState()), 1);
        EXPECT_EQ(CountedCCState::live, liveBefore + 2);
    }
    EXPECT_EQ(CountedCCState::live, liveBefore);
}

TEST(StorageRecords, VolumeListKeepsEachVolumesReportedStatusWhenItGrowsOrShrinks) {
    const int liveBefore = CountedCCState::live;
    {
        std::vector<orbLogicalDiskInfo> volumes;
        const ORB_RESOURCE_STATE reported[] = {ORB_STATE_OPTIMAL, ORB_STATE_DEGRADED,
                                               ORB_STATE_OFFLINE, ORB_STATE_PARTIALLY_DEGRADED,
                                               ORB_STATE_FAILED};
        for (int i = 0; i < 5; ++i) {
            orbLogicalDiskInfo volume = sampleVolume();
            volume.setDurableName("LD" + std::to_string(i));
            volume.setEventState(reported[i]);
            volume.setCurrentCCState(std::make_unique<CountedCCState>(i));
            volumes.push_back(std::move(volume));
        }
        volumes.erase(volumes.begin() + 1);

        ASSERT_EQ(volumes.size(), 4u);
        const int kept[] = {0, 2, 3, 4};
        for (size_t i = 0; i < volumes.size(); ++i) {
            EXPECT_EQ(volumes[i].getDurableName(), "LD" + std::to_string(kept[i]));
            EXPECT_EQ(volumes[i].getEventState(), reported[kept[i]]);
            EXPECT_EQ(CountedCCState::findingsOf(volumes[i].getCurrentCCState()), kept[i]);
        }
        EXPECT_EQ(CountedCCState::live, liveBefore + 4);
    }
    EXPECT_EQ(CountedCCState::live, liveBefore);
}

TEST(StorageRecords, ListIndexPastTheEndIsRefusedAndLogged) {
    orbStorageControllerInfo controller = sampleController();
    controller.addControllerPort(samplePort("host2", ORB_STATE_OFFLINE, ORB_HEALTH_CRITICAL));
    orbLogicalDiskInfo volume = sampleVolume();
    const orbStorageControllerInfo controllerBefore = controller;
    const orbLogicalDiskInfo volumeBefore = volume;
    const orbStorageControllerPortInfo replacement =
        samplePort("host9", ORB_STATE_RUNNING, ORB_HEALTH_OK);

    const struct {
        const char* operation;
        size_t index;
        std::function<bool()> call;
    } cases[] = {
        {"getControllerPort", 2,
         [&] { return controller.getControllerPort(2) == orbStorageControllerPortInfo(); }},
        {"setControllerPort", 2, [&] { return !controller.setControllerPort(2, replacement); }},
        {"deleteControllerPort", static_cast<size_t>(-1),
         [&] { return !controller.deleteControllerPort(static_cast<size_t>(-1)); }},
        {"getPhysicalDisk", 2, [&] { return volume.getPhysicalDisk(2).empty(); }},
        {"setPhysicalDisk", 7, [&] { return !volume.setPhysicalDisk(7, "S4NANE0M500099"); }},
        {"deletePhysicalDisk", 2, [&] { return !volume.deletePhysicalDisk(2); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.operation);
        orbtest::LogMark mark;
        EXPECT_TRUE(c.call());
        EXPECT_THAT(mark.mainSince(), HasSubstr(" STOR_REC: "));
        EXPECT_THAT(mark.mainSince(), HasSubstr(std::string(c.operation) + ": index " +
                                                std::to_string(c.index) + " is out of range"));
    }
    EXPECT_TRUE(controller == controllerBefore);
    EXPECT_TRUE(volume == volumeBefore);

    // Inside the list the operations act, and a delete keeps the order of the rest.
    controller.addControllerPort(samplePort("host3", ORB_STATE_RUNNING, ORB_HEALTH_OK));
    EXPECT_TRUE(controller.setControllerPort(1, replacement));
    EXPECT_TRUE(controller.deleteControllerPort(0));
    ASSERT_EQ(controller.getControllerPortListSize(), 2u);
    EXPECT_EQ(controller.getControllerPort(0).getOSInstanceName(), "/sys/class/scsi_host/host9");
    EXPECT_EQ(controller.getControllerPort(1).getOSInstanceName(), "/sys/class/scsi_host/host3");
    volume.addPhysicalDisk("S4NANE0M500003");
    EXPECT_TRUE(volume.setPhysicalDisk(0, "S4NANE0M500009"));
    EXPECT_TRUE(volume.deletePhysicalDisk(1));
    EXPECT_EQ(volume.getPhysicalDiskVector(),
              (std::vector<std::string>{"S4NANE0M500009", "S4NANE0M500003"}));
}

TEST(StorageRecords, StatusChangesAreSeenAgainstThePreviousPassAndTheLastEvent) {
    orbDiskInfo previous = sampleDrive();
    previous.setState(ORB_STATE_RUNNING);
    previous.setHealth(ORB_HEALTH_OK);
    previous.markStatusReported();

    const struct {
        ORB_RESOURCE_STATE state;
        ORB_RESOURCE_HEALTH health;
        bool stateChanged, healthChanged;
    } cases[] = {
        {ORB_STATE_RUNNING, ORB_HEALTH_OK, false, false},
        {ORB_STATE_RUNNING, ORB_HEALTH_WARNING, false, true},
        {ORB_STATE_FAILED, ORB_HEALTH_OK, true, false},
        {ORB_STATE_OFFLINE, ORB_HEALTH_CRITICAL, true, true},
    };
    for (const auto& c : cases) {
        orbDiskInfo current = previous;
        current.setState(c.state);
        current.setHealth(c.health);
        SCOPED_TRACE(std::string(orbResourceStateText(c.state)) + "/" +
                     orbResourceHealthText(c.health));
        EXPECT_EQ(current.isStateChangedFrom(previous), c.stateChanged);
        EXPECT_EQ(current.isHealthChangedFrom(previous), c.healthChanged);
        EXPECT_EQ(current.isStatusChangedFrom(previous), c.stateChanged || c.healthChanged);
        EXPECT_EQ(current.isStatusChangedSinceEvent(), c.stateChanged || c.healthChanged);
        EXPECT_EQ(current == previous, !(c.stateChanged || c.healthChanged));
        current.markStatusReported();
        EXPECT_FALSE(current.isStatusChangedSinceEvent());
    }
}

TEST(StorageRecords, EqualityIgnoresBookkeepingButNotDescription) {
    const orbDiskInfo drive = sampleDrive();
    orbDiskInfo sameDrive = drive;
    sameDrive.setOSSGHandle(-1);
    sameDrive.setEventState(ORB_STATE_FAILED);
    EXPECT_TRUE(sameDrive == drive);
    orbDiskInfo otherDrive = drive;
    otherDrive.setSerialNumber("S4NANE0M500124");
    EXPECT_TRUE(otherDrive != drive);
    otherDrive = drive;
    otherDrive.setSlot("4");
    EXPECT_TRUE(otherDrive != drive);

    const orbStorageControllerInfo controller = sampleController();
    orbStorageControllerInfo otherController = controller;
    orbStorageControllerPortInfo port = otherController.getControllerPort(0);
    port.setState(ORB_STATE_OFFLINE);
    otherController.setControllerPort(0, port);
    EXPECT_TRUE(otherController != controller);
    otherController = controller;
    otherController.setDescription("PCIe Slot 2");
    EXPECT_TRUE(otherController != controller);

    const orbStorageEnclosureInfo enclosure = sampleEnclosure();
    orbStorageEnclosureInfo otherEnclosure = enclosure;
    otherEnclosure.setBox(2);
    EXPECT_TRUE(otherEnclosure != enclosure);

    orbLogicalDiskInfo volume = sampleVolume();
    orbLogicalDiskInfo sameVolume = volume;
    sameVolume.setCurrentCCState(std::make_unique<CountedCCState>(1));
    EXPECT_TRUE(sameVolume == volume);
    sameVolume.setHostControllerPhysicalLocation("0101000100030000");
    EXPECT_TRUE(sameVolume != volume);
}

TEST(StorageRecords, PhysicalLocationIsValidOnlyWhenFound) {
    EXPECT_TRUE(orbIsValidPhysicalLocation("0101000100010003"));
    EXPECT_FALSE(orbIsValidPhysicalLocation(""));
    EXPECT_FALSE(orbIsValidPhysicalLocation("FFFFFFFFFFFFFFFF"));
}

}  // namespace
