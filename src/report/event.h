#pragma once

#include <json/json.h>

#include <string>

// One status change to report to the RMC: the event number (the RMC knows its text and
// severity), when and where it happened, who raised it, and its details.
class orbEvent {
  public:
    orbEvent(int eventID, std::string phyLoc, std::string moduleName, bool isServiceEvent,
             std::string eventTime, std::string partNum, std::string source);
    orbEvent(int eventID, std::string moduleName, bool isServiceEvent, std::string eventTime,
             Json::Value variableData, std::string source);
    orbEvent(int eventID, std::string phyLoc, std::string moduleName, bool isServiceEvent,
             std::string eventTime, std::string partNum, Json::Value variableData,
             std::string source);

    int getEventID() const { return eventID; }
    std::string getEventTime() const { return eventTime; }
    bool getisServiceEvent() const { return isServiceEvent; }
    std::string getModuleName() const { return moduleName; }
    std::string getPartNum() const { return partNum; }
    std::string getPhyLoc() const { return phyLoc; }
    std::string getSource() const { return source; }
    Json::Value getVariableData() const { return variableData; }

  private:
    int eventID;
    std::string eventTime;
    bool isServiceEvent;
    std::string moduleName;
    std::string partNum;
    std::string phyLoc;
    std::string source;
    Json::Value variableData;
};
