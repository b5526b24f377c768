#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "core/shutdown_notifier.h"
#include "core/shutdown_observer.h"

namespace {

class MockObserver : public IObserver {
  public:
    MOCK_METHOD(int, init, (), (override));
    MOCK_METHOD(void, notifyChange, (ISubject*, orbObservableAspect, std::string), (override));
    MOCK_METHOD(int, notifyAttach, (ISubject*, orbObservableAspect), (override));
    MOCK_METHOD(void, notifyDetach, (ISubject*, orbObservableAspect), (override));
    MOCK_METHOD(std::string, getObserverName, (), (const, override));
};

TEST(ShutdownNotification, ObserversLearnOfShutdownOnce) {
    ::testing::NiceMock<MockObserver> scan;  // outlives the notifier, which detaches it
    orbSubjectShutdownNotifier notifier("SAS_RM");
    orbSubjectShutdownObserver factory("STOR_FACT", &notifier);
    // A second attach of a registered observer is accepted without listing it twice.
    EXPECT_EQ(notifier.attach(&scan, ORB_ASPECT_SHUTDOWN), 0);
    EXPECT_EQ(notifier.attach(&scan, ORB_ASPECT_SHUTDOWN), 0);
    EXPECT_EQ(notifier.getObserverCount(), 2u);

    EXPECT_CALL(scan, notifyChange(&notifier, ORB_ASPECT_SHUTDOWN, "SAS_RM")).Times(1);
    EXPECT_FALSE(factory.isSubjectShutdownInitiated());
    notifier.signalSubjectShutdown();
    notifier.signalSubjectShutdown();
    EXPECT_TRUE(factory.isSubjectShutdownInitiated());
    // A factory made once its manager is stopping sees it at once, and begins no work.
    orbSubjectShutdownObserver late("LATE_FACT", &notifier);
    EXPECT_TRUE(late.isSubjectShutdownInitiated());
}

TEST(ShutdownNotification, EitherSideCanGoFirst) {
    auto notifier = std::make_unique<orbSubjectShutdownNotifier>("SAS_RM");
    {
        orbSubjectShutdownObserver shortLived("SHORT", notifier.get());
        EXPECT_EQ(notifier->getObserverCount(), 1u);
    }
    EXPECT_EQ(notifier->getObserverCount(), 0u);

    auto observer = std::make_unique<orbSubjectShutdownObserver>("LONG", notifier.get());
    notifier.reset();
    EXPECT_EQ(observer->getSubject(), nullptr);
    observer.reset();  // must not reach the destroyed notifier
}

}  // namespace
