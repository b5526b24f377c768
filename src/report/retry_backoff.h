#pragma once

#include <algorithm>
#include <chrono>

// Delays between attempts to deliver something the RMC did not take: doubling from the first
// delay up to a cap, so that an RMC that is restarting is asked again soon and one that is
// down for hours is not flooded. Also counts the failures of the current outage, so that an
// outage is logged when it begins and when it ends, not at every attempt.
class orbRetryBackoff {
  public:
    orbRetryBackoff(std::chrono::milliseconds first, std::chrono::milliseconds cap)
        : first(first), cap(std::max(first, cap)) {}

    // Records a failed attempt; returns how long to wait before the next one.
    std::chrono::milliseconds failed() {
        ++failures;
        const std::chrono::milliseconds delay = next;
        next = std::min(cap, next * 2);
        return delay;
    }
    // Records a delivery; returns the failures of the outage it ends (0 when there was none).
    unsigned delivered() {
        const unsigned ended = failures;
        failures = 0;
        next = first;
        return ended;
    }
    unsigned failuresSoFar() const { return failures; }

  private:
    std::chrono::milliseconds first;
    std::chrono::milliseconds cap;
    std::chrono::milliseconds next = first;
    unsigned failures = 0;
};
