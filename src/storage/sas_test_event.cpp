// The sample events the local command server asks the storage manager for.
#include <string>

#include "core/log.h"
#include "storage/location_code.h"
#include "storage/sas_resource_manager.h"

namespace {

const char* const kTag = "SAS_RM";

// Which record an event id is about. Enclosures raise no events of their own.
enum class SampleKind { None, Controller, Drive, Volume };

struct SampleEvent {
    int first;
    int last;
    SampleKind kind;
};

// Controller status (397 back online, 398 failed) and the MegaRAID controller events
// (1179-1183); drive status (538 failed, 539 predicted to fail, 540 back to normal); volume
// status (681 failed or degraded, 683 back to optimal) and the volume consistency-check
// summaries (1385, 1387, 1388).
const SampleEvent kSampleEvents[] = {
    {397, 398, SampleKind::Controller}, {1179, 1183, SampleKind::Controller},
    {538, 540, SampleKind::Drive},      {681, 681, SampleKind::Volume},
    {683, 683, SampleKind::Volume},     {1385, 1385, SampleKind::Volume},
    {1387, 1388, SampleKind::Volume},
};

SampleKind sampleKindOf(int eventId) {
    for (const SampleEvent& sample : kSampleEvents) {
        if (eventId >= sample.first && eventId <= sample.last) {
            return sample.kind;
        }
    }
    return SampleKind::None;
}

const char* const kInjected = "Injected Event";

orbStorageControllerInfo sampleController() {
    orbStorageControllerInfo controller;
    controller.setModel("Broadcom / LSI MegaRAID 9560-8i Tri-Mode Internal RAID");
    controller.setSerialNumber("SK00000001");
    controller.setPartNumber("VX-9560-8I");
    controller.setFirmwareVersion("5.220.02-3691");
    controller.setProtocol("SAS/SATA");
    controller.setManufacturer("Broadcom / LSI");
    controller.setPhysicalLocation(ORB_UNKNOWN_PHYSICAL_LOCATION);
    controller.setDescription("PCI 0000:5e:00.0");
    controller.setEventInfoString(kInjected);
    return controller;
}

orbDiskInfo sampleDrive() {
    orbDiskInfo drive;
    drive.setSerialNumber("WFK00001");
    drive.setModel("SEAGATE ST1200MM0009");
    drive.setCapacityBytes(1200243695616ULL);
    drive.setProtocol("SAS");
    drive.setMediaType("HDD");
    drive.setRevision("N003");
    drive.setManufacturer("SEAGATE");
    drive.setSlot("0");
    drive.setPhysicalLocation(ORB_UNKNOWN_PHYSICAL_LOCATION);
    drive.setEventInfoString(kInjected);
    return drive;
}

orbLogicalDiskInfo sampleVolume() {
    orbLogicalDiskInfo volume;
    volume.setDurableName("600605B00000000000000000000000A1");
    volume.setRAIDLevel("RAID1");
    volume.setCapacityBytes(1199638052864ULL);
    volume.addPhysicalDisk("WFK00001");
    volume.addPhysicalDisk("WFK00002");
    volume.setDeviceName("naa.600605b00000000000000000000000a1");
    volume.setHostControllerPhysicalLocation(ORB_UNKNOWN_PHYSICAL_LOCATION);
    volume.setEventInfoString(kInjected);
    return volume;
}

}  // namespace

void SASResourceManager::generateTestEvent(int eventId, const std::string& text, bool flag) {
    const std::string location = text.empty() ? std::string(ORB_UNKNOWN_PHYSICAL_LOCATION) : text;
    switch (sampleKindOf(eventId)) {
        case SampleKind::Controller:
            generateEvent(eventId, location, flag, sampleController(), "ORB-CLI");
            return;
        case SampleKind::Drive:
            generateEvent(eventId, location, flag, sampleDrive(), "ORB-CLI");
            return;
        case SampleKind::Volume:
            generateEvent(eventId, location, flag, sampleVolume(), "ORB-CLI");
            return;
        case SampleKind::None:
            break;
    }
    ORB_LOG_WARNING(kTag, "Event %d is not a storage event; no test event raised.", eventId);
}
