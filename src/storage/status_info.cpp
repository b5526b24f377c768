#include "storage/status_info.h"

Json::Value orbStatusInfo::getVariableData() const {
    Json::Value status(Json::objectValue);
    status["State"] = orbResourceStateText(State);
    status["Health"] = orbResourceHealthText(Health);
    return status;
}

Json::Value orbStatusInfo::getInventoryData() const {
    return orbStatusInfo::getVariableData();
}

Json::Value orbDiskStatusInfo::getVariableData() const {
    return orbStatusInfo::getVariableData();
}

Json::Value orbDiskStatusInfo::getInventoryData() const {
    return Json::Value(Json::nullValue);
}
