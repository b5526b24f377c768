#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// Lets unregistration wait for the library callbacks that are running: each callback holds a
// reference for its duration; removal drops the initial one, refuses new ones and waits, with
// a bound, for the count to reach zero.
class orbRemoveLockEx {
  public:
    // False once removal has begun.
    bool acquire() {
        std::lock_guard<std::mutex> lock(mutex);
        if (removing) {
            return false;
        }
        ++references;
        return true;
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        --references;
        // Under the mutex, so a waiter between its check and its wait cannot miss it.
        condition.notify_all();
    }
    // True when every callback has let go within the bound.
    bool removeAndWait(std::chrono::milliseconds bound) {
        std::unique_lock<std::mutex> lock(mutex);
        if (!removing) {
            removing = true;
            --references;
        }
        return condition.wait_for(lock, bound, [this] { return references <= 0; });
    }
    // Ready for a new registration.
    void reset() {
        std::lock_guard<std::mutex> lock(mutex);
        if (removing) {
            // The initial reference comes back; callbacks still running keep their own.
            removing = false;
            ++references;
        }
    }

  private:
    std::mutex mutex;
    std::condition_variable condition;
    bool removing = false;
    int references = 1;
};
