#include "core/service_thread.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>

#include "core/log.h"

namespace {

// Joins a thread that was started ("Error: Unable to join thread: %d" when the join fails).
void joinServiceThread(std::thread& thread, const char* module) {
    if (!thread.joinable()) {
        return;
    }
    try {
        thread.join();
    } catch (const std::system_error& error) {
        ORB_LOG_ERROR(module, "Error: Unable to join thread: %d", error.code().value());
    }
}

}  // namespace

// What the thread shares with its owner. Shared, so that a thread left to end on its own
// never reaches freed memory.
struct orbServiceThread::Run {
    orbStopRequest stop;
    std::mutex mutex;
    std::condition_variable endedSignal;
    bool ended = false;  // guarded by mutex

    void markEnded() {
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
        endedSignal.notify_all();
    }
    bool hasEnded() {
        std::lock_guard<std::mutex> lock(mutex);
        return ended;
    }
    bool waitEnded(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock<std::mutex> lock(mutex);
        return endedSignal.wait_until(lock, deadline, [this] { return ended; });
    }
};

orbServiceThread::~orbServiceThread() {
    std::lock_guard<std::mutex> lock(guard);
    if (!thread.joinable()) {
        return;
    }
    run->stop.request();
    if (leftRunning || !run->waitEnded(std::chrono::steady_clock::now() + kStopWait)) {
        thread.detach();
        return;
    }
    thread.join();
}

orbServiceThread::Start orbServiceThread::start(std::function<void()> body, const char* module) {
    std::lock_guard<std::mutex> lock(guard);
    if (thread.joinable()) {
        if (!run->hasEnded()) {
            return run->stop.isRequested() ? Start::StillStopping : Start::AlreadyRunning;
        }
        thread.join();
    }
    auto next = std::make_shared<Run>();
    try {
        thread = std::thread([next, body = std::move(body), module] {
            {
                orbStopScope scope(next->stop);
                try {
                    body();
                } catch (const std::exception& error) {
                    ORB_LOG_ERROR(module, "A service thread ended on an exception: %s",
                                  error.what());
                } catch (...) {
                    ORB_LOG_ERROR(module, "A service thread ended on an exception.");
                }
            }
            next->markEnded();
        });
    } catch (const std::system_error& error) {
        ORB_LOG_ERROR(module, "Error: Unable to create thread: %d", error.code().value());
        return Start::Failed;
    }
    run = std::move(next);
    leftRunning = false;
    return Start::Started;
}

void orbServiceThread::requestStop() {
    std::lock_guard<std::mutex> lock(guard);
    if (thread.joinable()) {
        run->stop.request();
    }
}

bool orbServiceThread::waitAndJoin(std::chrono::steady_clock::time_point deadline,
                                   const char* module, const std::string& what) {
    std::unique_lock<std::mutex> lock(guard);
    if (!thread.joinable()) {
        return true;
    }
    // Waited for without the guard, so that a stop can be asked for meanwhile.
    const std::shared_ptr<Run> waited = run;
    lock.unlock();
    const bool ended = waited->waitEnded(deadline);
    lock.lock();
    if (run != waited || !thread.joinable()) {
        return true;  // joined by another caller meanwhile
    }
    if (!ended) {
        leftRunning = true;
        ORB_LOG_ERROR(module, "%s has not stopped within %lld ms; it is left to end on its own.",
                      what.c_str(), static_cast<long long>(kStopWait.count()));
        return false;
    }
    joinServiceThread(thread, module);
    return true;
}

bool orbServiceThread::isRunning() const {
    std::lock_guard<std::mutex> lock(guard);
    return thread.joinable() && !run->hasEnded();
}
