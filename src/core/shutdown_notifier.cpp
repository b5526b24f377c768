#include "core/shutdown_notifier.h"

#include <algorithm>

#include "core/log.h"

namespace {
const char* const kTag = "OSSN";
}

orbSubjectShutdownNotifier::orbSubjectShutdownNotifier(std::string subjectName)
    : name(std::move(subjectName)) {
    ORB_LOG_DEBUG(kTag, "Subject[%s]: created.", name.c_str());
}

orbSubjectShutdownNotifier::~orbSubjectShutdownNotifier() {
    detachAllObservers();
}

int orbSubjectShutdownNotifier::attach(IObserver* observer, orbObservableAspect aspect) {
    if (observer == nullptr) {
        return 4;
    }
    std::lock_guard<std::mutex> lock(mutex);
    const std::string observerName = observer->getObserverName();
    ORB_LOG_DEBUG(kTag, "Subject[%s]: Received attach request for observer [%s].", name.c_str(),
                  observerName.c_str());
    if (aspect != ORB_ASPECT_SHUTDOWN) {
        ORB_LOG_DEBUG(kTag, "Subject[%s]: Observable aspect [%d] not supported.", name.c_str(),
                      static_cast<int>(aspect));
        return 4;
    }
    if (shutdownSignalled) {
        ORB_LOG_DEBUG(kTag,
                      "Subject[%s]: Not registering observer [%s] since shutdown is already "
                      "initiated.",
                      name.c_str(), observerName.c_str());
        return 5;
    }
    int status = observer->notifyAttach(this, aspect);
    if (status != 0) {
        ORB_LOG_DEBUG(kTag,
                      "Subject[%s]: Observer [%s] failed notify-attach query with status [%d].",
                      name.c_str(), observerName.c_str(), status);
        return status;
    }
    // A repeated attach is accepted, but the observer must be notified only once.
    if (std::find(observers.begin(), observers.end(), observer) == observers.end()) {
        observers.push_back(observer);
    }
    ORB_LOG_DEBUG(kTag,
                  "Subject[%s]: Observer [%s] successfully added to registered observers list.",
                  name.c_str(), observerName.c_str());
    return 0;
}

int orbSubjectShutdownNotifier::detach(IObserver* observer) {
    if (observer == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(mutex);
    const std::string observerName = observer->getObserverName();
    ORB_LOG_DEBUG(kTag, "Subject[%s]: Received detach request for observer [%s].", name.c_str(),
                  observerName.c_str());
    auto removed = std::remove(observers.begin(), observers.end(), observer);
    if (removed == observers.end()) {
        ORB_LOG_DEBUG(kTag, "Subject[%s]: Observer [%s] not found in registered observers list!",
                      name.c_str(), observerName.c_str());
        return 0;
    }
    observers.erase(removed, observers.end());
    observer->notifyDetach(this, ORB_ASPECT_SHUTDOWN);
    ORB_LOG_DEBUG(kTag, "Subject[%s]: Detached observer [%s].", name.c_str(), observerName.c_str());
    return 0;
}

size_t orbSubjectShutdownNotifier::getObserverCount() {
    std::lock_guard<std::mutex> lock(mutex);
    ORB_LOG_DEBUG(kTag, "Subject[%s]: # of registered observers = [%zu].", name.c_str(),
                  observers.size());
    return observers.size();
}

void orbSubjectShutdownNotifier::signalSubjectShutdown() {
    std::lock_guard<std::mutex> lock(mutex);
    ORB_LOG_DEBUG(kTag, "Subject[%s]: signalSubjectShutdown() called.", name.c_str());
    if (shutdownSignalled) {
        ORB_LOG_DEBUG(kTag, "Subject[%s]: Shutdown already signalled prevously.", name.c_str());
        return;
    }
    shutdownSignalled = true;
    for (IObserver* observer : observers) {
        const std::string observerName = observer->getObserverName();
        ORB_LOG_DEBUG(kTag, "Subject[%s]: Notifying observer [%s] of subject shutdown event.",
                      name.c_str(), observerName.c_str());
        observer->notifyChange(this, ORB_ASPECT_SHUTDOWN, name);
        ORB_LOG_DEBUG(kTag, "Subject[%s]: Notified observer [%s] of subject shutdown.",
                      name.c_str(), observerName.c_str());
    }
}

void orbSubjectShutdownNotifier::detachAllObservers() {
    std::lock_guard<std::mutex> lock(mutex);
    ORB_LOG_DEBUG(kTag, "Subject[%s]: Detaching all observers.", name.c_str());
    for (IObserver* observer : observers) {
        observer->notifyDetach(this, ORB_ASPECT_SHUTDOWN);
        ORB_LOG_DEBUG(kTag, "Subject[%s]: Detached observer [%s].", name.c_str(),
                      observer->getObserverName().c_str());
    }
    observers.clear();
}
