#pragma once

// Root of the operating-system interfaces the discovery code reaches the host through.
class orbOSAbstractInterface {
  public:
    virtual ~orbOSAbstractInterface() = default;
};
