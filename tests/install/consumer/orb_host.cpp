#include <chrono>
#include <thread>

#include "core/job_manager.h"
#include "report/doorbell_service.h"
#include "report/inventory_aggregator.h"

int main() {
    orbJobManager::startResourceManagers();
    orbJsonAggregator::sendInventory(false);
    orbIPMIDBService::startorbIPMIDBService();
    orbJobManager::startORBServer();
    std::this_thread::sleep_for(std::chrono::minutes(10));
    orbJobManager::stopResourceManagers();
    orbJsonAggregator::stoporbJsonAggregator();
    orbIPMIDBService::stoporbIPMIDBService();
    orbJobManager::stopORBServer();
}
