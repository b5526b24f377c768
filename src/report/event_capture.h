#pragma once

#include <cstddef>
#include <vector>

#include "report/event.h"

// Takes the events the calling thread raises while it lives, instead of handing them to the
// sender thread, so that the caller delivers them itself and can tell whether they reached the
// RMC (the local command server answers its client so). Events the first-push rule holds back
// are only counted.
class orbEventCapture {
  public:
    orbEventCapture();
    ~orbEventCapture();
    orbEventCapture(const orbEventCapture&) = delete;
    orbEventCapture& operator=(const orbEventCapture&) = delete;

    // The capture of the calling thread, null when none.
    static orbEventCapture* active();

    std::vector<orbEvent> taken;
    size_t heldBack = 0;

  private:
    orbEventCapture* outer;
};
