#include "report/event_sender.h"

#include <utility>

#include "core/config.h"
#include "core/log.h"
#include "core/stop_request.h"
#include "report/event_handler.h"
#include "report/ipmi_utils.h"
#include "report/json_text.h"
#include "report/retry_backoff.h"

namespace {

const char* const kTag = "EVT_HANDLER";
const char* const kEventCommand = "MPEventGen";

}  // namespace

orbEventSender* orbEventSender::getInstance() {
    // Never destroyed: a sender thread that a stop had to let go (still in a step that ignores
    // the stop), or a thread let go at exit that raises an event, finds the sender whole
    // whenever it comes back; an event raised after the stop is refused with a log line.
    static orbEventSender* const instance = new orbEventSender();
    // A host that exits without stopping the service must not leave the sender thread
    // running: it is stopped at exit, after what was created later has stopped.
    struct StopAtExit {
        ~StopAtExit() { instance->stop(); }
    };
    static StopAtExit stopAtExit;
    return instance;
}

orbEventSender::orbEventSender() {
    // The sender thread logs until it is stopped, at the latest at exit: what the log needs
    // must be created first, so that it is destroyed after that stop.
    orbConfig::getInstance();
}

void orbEventSender::setRetryDelays(std::chrono::milliseconds first,
                                    std::chrono::milliseconds cap) {
    std::lock_guard<std::mutex> lock(mutex);
    firstDelay = first;
    delayCap = cap;
}

size_t orbEventSender::waiting() const {
    std::lock_guard<std::mutex> lock(mutex);
    return events.size();
}

bool orbEventSender::queue(orbEvent event) {
    std::lock_guard<std::mutex> lock(mutex);
    if (stopped) {
        ORB_LOG_WARNING(kTag, "Event %d raised at %s after event delivery stopped: not sent",
                        event.getEventID(), event.getEventTime().c_str());
        return false;
    }
    if (events.size() >= kMaxWaitingEvents) {
        const Waiting& oldest = events.front();
        ORB_LOG_WARNING(
            kTag, "%zu events wait for the RMC: dropping the oldest, event %d raised at %s",
            events.size(), oldest.event.getEventID(), oldest.event.getEventTime().c_str());
        events.pop_front();
    }
    ORB_LOG_INFO(kTag, "Event %d raised at %s queued for the RMC", event.getEventID(),
                 event.getEventTime().c_str());
    events.push_back(Waiting{nextNumber++, std::move(event), std::string()});
    // Without a thread the event waits; the next event tries to start one again.
    startThreadLocked();
    wake.notify_all();
    return true;
}

bool orbEventSender::startThreadLocked() {
    switch (thread.start([this] { run(); }, kTag)) {
        case orbServiceThread::Start::Started:
        case orbServiceThread::Start::AlreadyRunning:
            return true;
        case orbServiceThread::Start::StillStopping:
            return false;
        case orbServiceThread::Start::Failed:
            break;
    }
    ORB_LOG_ERROR(kTag, "Unable to spawn a thread to handle event.");
    return false;
}

void orbEventSender::stop() {
    requestStop();
    waitStopped(std::chrono::steady_clock::now() + orbServiceThread::kStopWait);
}

void orbEventSender::requestStop() {
    // Under the lock, so that the sender thread cannot miss it between a check and a wait.
    std::lock_guard<std::mutex> lock(mutex);
    stopped = true;
    thread.requestStop();
    wake.notify_all();
}

void orbEventSender::waitStopped(std::chrono::steady_clock::time_point deadline) {
    thread.waitAndJoin(deadline, kTag, "The event sender thread");
    std::lock_guard<std::mutex> lock(mutex);
    if (!events.empty()) {
        ORB_LOG_WARNING(kTag,
                        "Event delivery stopped with %zu events not delivered to the RMC, the "
                        "oldest event %d raised at %s",
                        events.size(), events.front().event.getEventID(),
                        events.front().event.getEventTime().c_str());
        events.clear();
    }
}

void orbEventSender::run() {
    std::unique_lock<std::mutex> lock(mutex);
    orbRetryBackoff backoff(firstDelay, delayCap);
    auto retryAt = std::chrono::steady_clock::time_point::min();
    for (;;) {
        while (!orbStopRequested() &&
               (events.empty() || std::chrono::steady_clock::now() < retryAt)) {
            if (events.empty()) {
                wake.wait(lock);
            } else {
                wake.wait_until(lock, retryAt);
            }
        }
        if (orbStopRequested()) {
            return;
        }
        Waiting next = events.front();
        lock.unlock();

        // The document (host name, addresses) is built here rather than by the producer, so
        // that raising an event costs the producer nothing.
        if (next.text.empty()) {
            next.text = orbJsonOneLine(orbEventHandler::buildEventDocument(next.event));
            ORB_LOG_INFO(kTag, "%s", next.text.c_str());
        }
        const ipmi::IPMIUtils::Delivery delivery =
            ipmi::IPMIUtils::RMC_CLI_Cmd_Deliver(kEventCommand, next.text);
        // An event the RMC refuses for good leaves the line: kept first, it would hold back
        // every event raised after it.
        if (delivery == ipmi::IPMIUtils::Delivery::Refused) {
            ORB_LOG_ERROR(kTag, "Event %d raised at %s refused by the RMC: dropped",
                          next.event.getEventID(), next.event.getEventTime().c_str());
        } else if (delivery == ipmi::IPMIUtils::Delivery::Delivered) {
            ORB_LOG_DEBUG(kTag, "SUCCESS in delivering event to RMC");
        }

        lock.lock();
        // The event may have been dropped from a full line meanwhile.
        const bool stillFirst = !events.empty() && events.front().number == next.number;
        if (delivery != ipmi::IPMIUtils::Delivery::NotDelivered) {
            if (stillFirst) {
                events.pop_front();
            }
            const unsigned failures = backoff.delivered();
            if (failures > 0) {
                ORB_LOG_INFO(kTag,
                             "Events reach the RMC again after %u failed attempts; %zu waiting",
                             failures, events.size());
            }
            retryAt = std::chrono::steady_clock::time_point::min();
            continue;
        }
        if (stillFirst) {
            events.front().text = std::move(next.text);
        }
        if (orbStopRequested()) {
            return;
        }
        const bool outageBegins = backoff.failuresSoFar() == 0;
        const std::chrono::milliseconds delay = backoff.failed();
        retryAt = std::chrono::steady_clock::now() + delay;
        if (outageBegins) {
            ORB_LOG_ERROR(kTag, "FAILURE in logging event to RMC");
            ORB_LOG_WARNING(kTag,
                            "Event %d kept with %zu waiting; delivery is retried with back-off "
                            "until the RMC takes it",
                            next.event.getEventID(), events.size());
        } else {
            ORB_LOG_DEBUG(kTag, "FAILURE in logging event to RMC (attempt %u, next in %lld ms)",
                          backoff.failuresSoFar(), static_cast<long long>(delay.count()));
        }
    }
}
