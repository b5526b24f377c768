#include "core/resource_manager.h"

int orbResourceManager::getInventoryJsonObject2(int, std::vector<Json::Value>&) {
    return 0;
}
int orbResourceManager::getTelemetryJsonObject(Json::Value&) {
    return 0;
}
int orbResourceManager::getUtilizationJsonObject(Json::Value&) {
    return 0;
}
int orbResourceManager::getFileServiceJsonObject(std::vector<Json::Value>&) {
    return 0;
}
