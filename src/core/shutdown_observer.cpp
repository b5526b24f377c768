#include "core/shutdown_observer.h"

#include "core/log.h"

namespace {

const char* const kTag = "OSSO";

// The status a subject answers when shutdown was signalled before the observer arrived.
constexpr int kShutdownAlreadyInitiated = 5;

std::string nameOf(const ISubject* subject) {
    return subject != nullptr ? subject->getSubjectName() : std::string("(none)");
}

}  // namespace

orbSubjectShutdownObserver::orbSubjectShutdownObserver(std::string observerName,
                                                       ISubject* initialSubject)
    : name(std::move(observerName)) {
    if (initialSubject != nullptr) {
        const std::string subjectName = nameOf(initialSubject);
        ORB_LOG_DEBUG(kTag, "Register observer [%s] in construction with subject [%s].",
                      name.c_str(), subjectName.c_str());
        int status = initialSubject->attach(this, ORB_ASPECT_SHUTDOWN);
        if (status != 0) {
            ORB_LOG_DEBUG(kTag,
                          "Failed to register observer [%s] with subject [%s] during "
                          "construction. (status: %d)",
                          name.c_str(), subjectName.c_str(), status);
        }
        // Refused because the subject is already shutting down: the work this observer
        // guards must not start.
        if (status == kShutdownAlreadyInitiated) {
            shutdownInitiated.store(true);
        }
    }
    ORB_LOG_DEBUG(kTag, "Observer[%s]: created.", name.c_str());
}

orbSubjectShutdownObserver::~orbSubjectShutdownObserver() {
    ISubject* current = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        current = subject;
        ORB_LOG_DEBUG(kTag, "Observer [%s]: Clearing subject during cleanup.", name.c_str());
    }
    // The subject's detach takes its own lock and calls back notifyDetach, so ours must be
    // released first.
    if (current != nullptr) {
        ORB_LOG_DEBUG(kTag,
                      "Attempting de-registration of observer [%s] from subject [%s] during "
                      "cleanup.",
                      name.c_str(), nameOf(current).c_str());
        current->detach(this);
    }
    ORB_LOG_DEBUG(kTag, "Observer[%s]: destroyed.", name.c_str());
}

int orbSubjectShutdownObserver::notifyAttach(ISubject* from, orbObservableAspect aspect) {
    std::lock_guard<std::mutex> lock(mutex);
    if (aspect != ORB_ASPECT_SHUTDOWN) {
        ORB_LOG_DEBUG(kTag, "Observer[%s]: Unrecognized aspect [%d].", name.c_str(),
                      static_cast<int>(aspect));
        return 4;
    }
    if (!registered) {
        ORB_LOG_DEBUG(kTag, "Observer[%s]: Processing attach notification from subject [%s].",
                      name.c_str(), nameOf(from).c_str());
        subject = from;
        shutdownInitiated.store(false);
        registered = true;
        return 0;
    }
    if (from == subject) {
        ORB_LOG_DEBUG(kTag, "Observer[%s]: Duplicate attach notification from subject [%s].",
                      name.c_str(), nameOf(from).c_str());
        return 0;
    }
    ORB_LOG_DEBUG(kTag,
                  "Observer[%s]: Attach notification received from subject [%s] when already "
                  "attached to subject [%s].",
                  name.c_str(), nameOf(from).c_str(), nameOf(subject).c_str());
    return 2;
}

void orbSubjectShutdownObserver::notifyChange(ISubject* from, orbObservableAspect aspect,
                                              std::string) {
    std::lock_guard<std::mutex> lock(mutex);
    if (registered && from == subject && aspect == ORB_ASPECT_SHUTDOWN) {
        shutdownInitiated.exchange(true);
    }
}

void orbSubjectShutdownObserver::notifyDetach(ISubject* from, orbObservableAspect aspect) {
    std::lock_guard<std::mutex> lock(mutex);
    if (registered && from == subject && aspect == ORB_ASPECT_SHUTDOWN) {
        ORB_LOG_DEBUG(kTag, "Observer[%s]: Detaching from subject [%s].", name.c_str(),
                      nameOf(from).c_str());
        subject = nullptr;
        registered = false;
        return;
    }
    ORB_LOG_DEBUG(kTag,
                  "Observer[%s]: Not detached due to unregistered observer [%s], unrecognized "
                  "subject [%s] or aspect [%d].",
                  name.c_str(), registered ? "true" : "false", nameOf(from).c_str(),
                  static_cast<int>(aspect));
}

ISubject* orbSubjectShutdownObserver::getSubject() const {
    std::lock_guard<std::mutex> lock(mutex);
    return subject;
}
