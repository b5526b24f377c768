#pragma once

#include "storage/storage_utils.h"

// When the storage manager's loop rebuilds its cache and polls its controllers. The loop
// wakes every gcd(refresh, poll) seconds, so that both fall on a wake-up; times are seconds
// of a clock that only goes forward.
class orbSasLoopSchedule {
  public:
    orbSasLoopSchedule(long refreshSeconds, long pollSeconds, long now)
        : refresh(refreshSeconds > 0 ? refreshSeconds : kDefaultRefreshSeconds),
          poll(pollSeconds > 0 ? pollSeconds : refresh),
          lastRefresh(now),
          lastPoll(now) {}

    long refreshInterval() const { return refresh; }
    long wakeStep() const { return compute_gcd(refresh, poll); }
    bool refreshDue(long now) const { return now - lastRefresh >= refresh; }
    // A second early, so that a wake-up that comes a little before the second still polls.
    bool pollDue(long now) const { return now - lastPoll > poll - 1; }
    void refreshed(long now) { lastRefresh = now; }
    void polled(long now) { lastPoll = now; }

  private:
    static constexpr long kDefaultRefreshSeconds = 3600;

    long refresh;
    long poll;
    long lastRefresh;
    long lastPoll;
};
