#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "core/observer.h"

// Watches one subject for shutdown. Worker loops poll isSubjectShutdownInitiated(), which takes
// no lock.
class orbSubjectShutdownObserver : public IObserver {
  public:
    // Registers with the subject at once when one is given.
    orbSubjectShutdownObserver(std::string name, ISubject* subject);
    ~orbSubjectShutdownObserver() override;
    orbSubjectShutdownObserver(const orbSubjectShutdownObserver&) = delete;
    orbSubjectShutdownObserver& operator=(const orbSubjectShutdownObserver&) = delete;

    int init() override { return -1; }
    void notifyChange(ISubject* subject, orbObservableAspect aspect, std::string text) override;
    int notifyAttach(ISubject* subject, orbObservableAspect aspect) override;
    void notifyDetach(ISubject* subject, orbObservableAspect aspect) override;
    std::string getObserverName() const override { return name; }
    virtual ISubject* getSubject() const;

    bool isSubjectShutdownInitiated() const { return shutdownInitiated.load(); }

  private:
    ISubject* subject = nullptr;
    const std::string name;
    bool registered = false;
    std::atomic<bool> shutdownInitiated{false};
    mutable std::mutex mutex;
};
