#include "report/event.h"

#include <utility>

orbEvent::orbEvent(int id, std::string location, std::string module, bool serviceEvent,
                   std::string time, std::string part, std::string from)
    : orbEvent(id, std::move(location), std::move(module), serviceEvent, std::move(time),
               std::move(part), Json::Value(), std::move(from)) {}

orbEvent::orbEvent(int id, std::string module, bool serviceEvent, std::string time,
                   Json::Value data, std::string from)
    : orbEvent(id, std::string(), std::move(module), serviceEvent, std::move(time), std::string(),
               std::move(data), std::move(from)) {}

orbEvent::orbEvent(int id, std::string location, std::string module, bool serviceEvent,
                   std::string time, std::string part, Json::Value data, std::string from)
    : eventID(id),
      eventTime(std::move(time)),
      isServiceEvent(serviceEvent),
      moduleName(std::move(module)),
      partNum(std::move(part)),
      phyLoc(std::move(location)),
      source(std::move(from)),
      variableData(std::move(data)) {}
