// The sample events the local command server asks the NVMe manager for.
#include <string>

#include "core/log.h"
#include "core/utils.h"
#include "nvme/nvme_model_table.h"
#include "nvme/nvme_resource_manager.h"

namespace {

const char* const kTag = "NVMe_RM";

// The sample is the maker's Optane P4800X option; its model number is the table's row.
const char* const kSampleModelNumber = "INTEL SSDPE21K375GA";

}  // namespace

void NVMeResourceManager::generateTestEvent(int eventId, const std::string& description,
                                            bool flag) {
    if (eventId != 835 && eventId != 836 && eventId != 837) {
        ORB_LOG_WARNING(kTag, "Event %d is not an NVMe event; no test event raised.", eventId);
        return;
    }
    const std::string family = orbUtils::getPlatformFamily();
    orbStorageControllerInfo sample;
    sample.setDeviceName("vmhba0");
    sample.setModel("Intel Corporation Optane DC P4800X series");
    sample.setSerialNumber("PHKS740600EP750BGN");
    sample.setFirmwareVersion("5.0.0.1139");
    sample.setProtocol("NVMe");
    sample.setManufacturer("Intel Corporation");
    sample.setDescription("Injected Event");
    sample.setPhysicalLocation("PCI 0000:00:17.0 r001i01s00");
    if (eventId == 837) {
        // The platforms whose GeoIDs have the ALPHA form place the sample in their own way.
        if (family == "PLATFAM-ALPHA") {
            sample.setPhysicalLocation("PCI 0000:00:17.0 r001u01p0i00");
        }
        std::string part = "NotAvailable";
        orbIOMatrixInterface::getInstance()->getNvmePartNumber(kSampleModelNumber, part);
        sample.setPartNumber(part);
        std::string model = kSampleModelNumber;
        orbIOMatrixInterface::getInstance()->getNvmeModelName(kSampleModelNumber, model);
        sample.setModel(model);
    }
    generateEvent(eventId, description.empty() ? sample.getPhysicalLocation() : description, flag,
                  sample, "ORB-CLI");
}
