#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/observer.h"

// Lets a resource manager tell the objects working for it (controller factories and their
// long scans) that it is shutting down. Open for observers until shutdown is signalled, then
// closed for good. The notifier does not own its observers.
class orbSubjectShutdownNotifier : public ISubject {
  public:
    explicit orbSubjectShutdownNotifier(std::string name);
    ~orbSubjectShutdownNotifier() override;
    orbSubjectShutdownNotifier(const orbSubjectShutdownNotifier&) = delete;
    orbSubjectShutdownNotifier& operator=(const orbSubjectShutdownNotifier&) = delete;

    // 0 on success, 4 for an unsupported aspect, 5 once shutdown has been signalled, or the
    // observer's own refusal. An observer that is already registered stays listed once.
    int attach(IObserver* observer, orbObservableAspect aspect) override;
    int detach(IObserver* observer) override;
    size_t getObserverCount() override;
    std::string getSubjectName() const override { return name; }

    // Tells every observer once; later calls only log.
    void signalSubjectShutdown();
    void detachAllObservers();

  private:
    const std::string name;
    std::vector<IObserver*> observers;
    bool shutdownSignalled = false;
    std::mutex mutex;
};
