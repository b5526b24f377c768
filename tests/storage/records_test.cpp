#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "record_json_expect.h"
#include "storage/disk_info.h"
#include "storage/logical_disk_ext_info.h"
#include "storage/logical_disk_info.h"
#include "support/test_environment.h"

using ::testing::HasSubstr;

// The enclosure's bay and segment counts are written while the debug log is on.
ORB_TEST_CONFIGURATION(R"({"EnableDebugLog": true, "LoggingLevel": "Info"})");

namespace {

// A consistency-check state that counts the live instances, so that a lost or doubly owned
// state shows.
class CountedCCState : public orbLogicalDiskConsistencyCheckStateBase {
  public:
    explicit CountedCCState(int findings) : findings(findings) { ++live; }
    CountedCCState(const CountedCCState& other) : CountedCCState(other.findings) {}
    ~CountedCCState() override { --live; }
    std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> clone() const override {
        return std::make_unique<CountedCCState>(*this);
    }
    static int findingsOf(const orbLogicalDiskConsistencyCheckStateBase* state) {
        return state == nullptr ? -1 : static_cast<const CountedCCState*>(state)->findings;
    }

    const int findings;
    static inline int live = 0;
};

// A 1.92 TB SATA SSD in bay 3 of an HBA: its capacity needs more than 32 bits.
orbDiskInfo sampleDrive() {
    orbDiskInfo drive;
    drive.setState(ORB_STATE_PREDICTIVE_FAILURE);
    drive.setHealth(ORB_HEALTH_WARNING);
    drive.setSlot("3");
    drive.setPhysicalLocation("0101000100010003");
    drive.setSerialNumber("S4NANE0M500123");
    drive.setPartNumber("MZ7LH1T9HMLT");
    drive.setModel("SAMSUNG MZ7LH1T9HMLT");
    drive.setCapacityBytes(1920383410176ULL);
    drive.setProtocol("SATA");
    drive.setManufacturer("Samsung");
    drive.setMediaType("SSD");
    drive.setRevision("HXT7404Q");
    drive.setOSSGHandle(7);
    drive.setEventInfoString("[SSD Wear percentage (96); Threshold (95)]");
    return drive;
}

// A two-drive RAID 1 volume.
orbLogicalDiskInfo sampleVolume() {
    orbLogicalDiskInfo volume;
    volume.setState(ORB_STATE_OPTIMAL);
    volume.setHealth(ORB_HEALTH_OK);
    volume.setRAIDLevel("RAID1");
    volume.addPhysicalDisk("S4NANE0M500001");
    volume.addPhysicalDisk("S4NANE0M500002");
    return volume;
}

TEST(StorageRecords, StateAndHealthOutsideTheirTablesAreUnknown) {
    // A record holding a byte that no table entry names still renders.
    orbStatusInfo status;
    status.setState(static_cast<ORB_RESOURCE_STATE>(0x80));
    status.setHealth(static_cast<ORB_RESOURCE_HEALTH>(9));
    expectRecordJson(status.getVariableData(), R"({"Health":"Unknown","State":"Unknown"})");
}

TEST(StorageRecords, EachRecordDescribesItselfInBothShapes) {
    const orbDiskInfo drive = sampleDrive();
    const orbStorageEnclosureInfo enclosure = sampleEnclosure();
    orbLogicalDiskExtInfo ext;
    ext.setDeviceName("naa.600062b2000000000000000000000001");
    ext.setHostControllerPhysicalLocation("0101000100020000");
    const std::string volumeOem = R"({"DeviceName":"naa.600062b2000000000000000000000001",)"
                                  R"("HostControllerPhysicalLocation":"0101000100020000"})";
    const std::string enclosureData =
        R"({"FirmwareVersion":"2.20","Model":"8 SFF Backplane",)"
        R"("Oem":{"BayCount":8,"Box":1,"PhysicalLocation":"0101000100010000",)"
        R"("SegmentCount":2},"PartNumber":"BP-8SFF-01","SerialNumber":"BPS0042",)";

    const struct {
        const char* name;
        Json::Value json;
        std::string expected;
    } cases[] = {
        {"drive", drive.getVariableData(),
         R"({"Data":{"CapacityBytes":1920383410176,"Manufacturer":"Samsung",)"
         R"("MediaType":"SSD","Model":"SAMSUNG MZ7LH1T9HMLT",)"
         R"("Oem":{"PhysicalLocation":"0101000100010003","Slot":"3"},)"
         R"("PartNumber":"MZ7LH1T9HMLT","Protocol":"SATA","Revision":"HXT7404Q",)"
         R"("SerialNumber":"S4NANE0M500123"},)"
         R"("EventInfo":"[SSD Wear percentage (96); Threshold (95)]","Type":"Drive"})"},
        {"enclosure inventory", enclosure.getInventoryData(),
         enclosureData + R"("Status":{"Health":"OK","State":"Running"},"Type":"Backplane"})"},
        {"drive status", drive.orbDiskStatusInfo::getVariableData(),
         R"({"Health":"Warning","State":"Predictive failure"})"},
        {"volume ext", ext.getVariableData(), volumeOem},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectRecordJson(c.json, c.expected);
    }
}

TEST(StorageRecords, CapacitiesStayUnsignedAndAVolumeWithoutMembersListsNoDrives) {
    // A capacity written as a signed or a real number does not read back as UINT64_MAX.
    orbDiskInfo drive;
    drive.setCapacityBytes(UINT64_MAX);
    orbLogicalDiskInfo volume;
    volume.setCapacityBytes(UINT64_MAX);
    EXPECT_EQ(drive.getVariableData()["Data"]["CapacityBytes"].asUInt64(), UINT64_MAX);
    EXPECT_EQ(volume.getVariableData()["Data"]["CapacityBytes"].asUInt64(), UINT64_MAX);
    EXPECT_FALSE(volume.getVariableData()["Data"].isMember("Drives"));
}

// A volume owns its consistency-check states: a copy clones them and leaves what was reported
// behind, a move carries both, and neither loses or doubly frees a state.
TEST(StorageRecords, VolumeCopiesCloneTheirStatesAndMovesCarryWhatWasReported) {
    const int liveBefore = CountedCCState::live;
    {
        auto original = std::make_unique<orbLogicalDiskInfo>(sampleVolume());
        original->setState(ORB_STATE_FAILED);
        original->markStatusReported();
        original->setCurrentCCState(std::make_unique<CountedCCState>(3));
        original->setPreviousCCState(std::make_unique<CountedCCState>(5));

        orbLogicalDiskInfo copy(*original);
        EXPECT_EQ(copy.getState(), ORB_STATE_FAILED);
        EXPECT_EQ(copy.getEventState(), ORB_STATE_UNKNOWN);
        EXPECT_EQ(copy.getEventHealth(), ORB_HEALTH_UNKNOWN);
        EXPECT_TRUE(copy == *original);
        EXPECT_EQ(CountedCCState::live, liveBefore + 4);

        // The copy's states are its own: they outlive the record they were cloned from.
        original.reset();
        EXPECT_EQ(CountedCCState::findingsOf(copy.getCurrentCCState()), 3);
        EXPECT_EQ(CountedCCState::findingsOf(copy.getPreviousCCState()), 5);

        // An assignment keeps what the target last reported; a source without states leaves
        // the target without any.
        orbLogicalDiskInfo target;
        target.setEventState(ORB_STATE_OPTIMAL);
        target.setCurrentCCState(std::make_unique<CountedCCState>(9));
        target = copy;
        EXPECT_EQ(target.getState(), ORB_STATE_FAILED);
        EXPECT_EQ(target.getEventState(), ORB_STATE_OPTIMAL);
        EXPECT_EQ(CountedCCState::findingsOf(target.getCurrentCCState()), 3);
        target = sampleVolume();
        EXPECT_EQ(target.getCurrentCCState(), nullptr);
        EXPECT_EQ(target.getPreviousCCState(), nullptr);

        // Assigned to or cloned from itself a record keeps its states.
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
        EXPECT_EQ(CountedCCState::live, liveBefore);

        // A growing list relocates its volumes and an erase closes the gap by moving them.
        std::vector<orbLogicalDiskInfo> volumes;
        const ORB_RESOURCE_STATE reported[] = {ORB_STATE_OPTIMAL, ORB_STATE_DEGRADED,
                                               ORB_STATE_OFFLINE};
        for (int i = 0; i < 3; ++i) {
            orbLogicalDiskInfo volume = sampleVolume();
            volume.setEventState(reported[i]);
            volume.setCurrentCCState(std::make_unique<CountedCCState>(i));
            volumes.push_back(std::move(volume));
        }
        volumes.erase(volumes.begin());
        ASSERT_EQ(volumes.size(), 2u);
        for (size_t i = 0; i < volumes.size(); ++i) {
            EXPECT_EQ(volumes[i].getEventState(), reported[i + 1]);
            EXPECT_EQ(CountedCCState::findingsOf(volumes[i].getCurrentCCState()), int(i) + 1);
        }
        EXPECT_EQ(CountedCCState::live, liveBefore + 2);

        // The record left behind by a move owns nothing and can be rendered, copied and reused.
        orbLogicalDiskInfo moved(std::move(volumes[0]));
        orbLogicalDiskInfo& leftover = volumes[0];
        EXPECT_EQ(leftover.getCurrentCCState(), nullptr);
        EXPECT_EQ(orbLogicalDiskInfo(leftover).getCurrentCCState(), nullptr);
        leftover.getVariableData();
        leftover = moved;
        EXPECT_EQ(CountedCCState::findingsOf(leftover.getCurrentCCState()), 1);
        EXPECT_EQ(CountedCCState::live, liveBefore + 3);
    }
    EXPECT_EQ(CountedCCState::live, liveBefore);
}

}  // namespace
