#pragma once

#include "host/os_interface.h"

// Hands out the one OS interface of the process.
class orbSystemInterfaceFactory {
  public:
    static orbOSInterface* getSystemInterface();

  private:
    static orbOSInterface* VmwareOSObj;
};
