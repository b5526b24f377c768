#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "megaraid/megaraid_event.h"
#include "megaraid/remove_lock_ex.h"
#include "megaraid/storelib_abi.h"
#include "megaraid/storelib_records.h"

// Registration with the storage library for firmware events. The library calls back on a
// thread of its own; the callback only copies the record into a queue, and a worker of ours
// refreshes the library's lists and hands each event to the registered handler, so that the
// library's thread never waits for analysis nor re-enters the library from its own callback.
class orbSASLSIEvent {
  public:
    using Handler = void (*)(ORB_SAS_EVENT_DETAIL*);

    static orbSASLSIEvent* getInstance();

    bool RegisterForAEN(Handler handler);
    // True when no registration remains.
    bool UnregisterForAEN();
    bool isRegistered() const { return registered.load(); }

    // The library's callback (library thread).
    static void AENCallBack(SL_EVENT_DETAIL_T* event);

    // Events waiting for the worker: a burst beyond this is dropped with one warning.
    static constexpr size_t kQueueLimit = 4096;

  private:
    orbSASLSIEvent() = default;
    ~orbSASLSIEvent();

    void enqueue(const orbMREventRecord& record);
    void startWorker();
    void stopWorker();
    void workerLoop();
    ORB_SAS_EVENT_DETAIL describe(const orbMREventRecord& record);

    orbRemoveLockEx epRemoveLock;
    std::atomic<Handler> handler{nullptr};
    std::atomic<bool> registered{false};
    uint32_t uniqueId = 0;
    std::mutex registrationMutex;

    std::mutex queueMutex;
    std::condition_variable queueCondition;
    std::deque<orbMREventRecord> queue;
    bool workerStop = false;
    bool overflowLogged = false;
    std::thread worker;
};
