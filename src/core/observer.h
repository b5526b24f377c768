#pragma once

#include <cstddef>
#include <string>

// What an observer can watch a subject for. Only shutdown exists.
enum orbObservableAspect {
    ORB_ASPECT_SHUTDOWN = 2,
};

class IObserver;

// Something that observers can register with and be told about.
class ISubject {
  public:
    virtual ~ISubject() = default;
    virtual int attach(IObserver* observer, orbObservableAspect aspect) = 0;
    virtual int detach(IObserver* observer) = 0;
    virtual size_t getObserverCount() = 0;
    virtual std::string getSubjectName() const = 0;
};

// Something that is told when its subject changes.
class IObserver {
  public:
    virtual ~IObserver() = default;
    virtual int init() = 0;
    virtual void notifyChange(ISubject* subject, orbObservableAspect aspect, std::string text) = 0;
    virtual int notifyAttach(ISubject* subject, orbObservableAspect aspect) = 0;
    virtual void notifyDetach(ISubject* subject, orbObservableAspect aspect) = 0;
    virtual std::string getObserverName() const = 0;
};
