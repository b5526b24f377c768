// Placeholder: the manager's loop, builds and polling come with controller discovery.
#include "storage/sas_resource_manager.h"

#include "core/utils.h"
#include "report/event.h"
#include "report/event_handler.h"
#include "storage/inventory_base.h"

SASResourceManager::SASResourceManager() = default;

SASResourceManager* SASResourceManager::getInstance() {
    static SASResourceManager instance;
    return &instance;
}

int SASResourceManager::cacheBuild() {
    return 0;
}
int SASResourceManager::stopResourceManagerJob() {
    return 0;
}
int SASResourceManager::init() {
    return 0;
}
int SASResourceManager::startInventory() {
    return 0;
}
int SASResourceManager::getInventoryJsonObject(std::vector<Json::Value>&) {
    return 0;
}
int SASResourceManager::getInventoryJsonObject2(int, std::vector<Json::Value>&) {
    return 0;
}
bool SASResourceManager::isRunning() {
    return false;
}
bool SASResourceManager::isInventoryReady(int) {
    return false;
}
void SASResourceManager::invalidateInventoryCache() {}
void SASResourceManager::sendInventorytToRMCOnCacheBuild() {}
bool SASResourceManager::isControllerModelSupported(uint32_t, uint32_t) {
    return false;
}
void SASResourceManager::generateTestEvent(int, const std::string&, bool) {}

void SASResourceManager::generateEvent(int eventId, const std::string& location, bool failure,
                                       const orbInventoryBase& record, const std::string& source) {
    orbEventHandler::generateEvent(orbEvent(eventId, location, "SASHBA", failure,
                                            orbUtils::getTime(), "Not-Available",
                                            record.getVariableData(), source));
}

void SASResourceManager::generateEvent(int eventId, bool failure, const orbInventoryBase& record) {
    generateEvent(eventId, "NotAvailable", failure, record);
}
