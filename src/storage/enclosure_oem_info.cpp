#include "storage/enclosure_oem_info.h"

#include "core/logger.h"

Json::Value orbStorageEnclosureOEMInfo::getVariableData() const {
    Json::Value oem(Json::objectValue);
    oem["Box"] = Box;
    oem["PhysicalLocation"] = PhysicalLocation;
    if (CPlusPlusLogging::Logger::getInstance()->getDebugLoglevel() ==
        CPlusPlusLogging::LOG_LEVEL_DEBUG) {
        oem["BayCount"] = BayCount;
        oem["SegmentCount"] = SegmentCount;
    }
    return oem;
}

Json::Value orbStorageEnclosureOEMInfo::getInventoryData() const {
    return orbStorageEnclosureOEMInfo::getVariableData();
}
