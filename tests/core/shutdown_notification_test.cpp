#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "core/shutdown_notifier.h"
#include "core/shutdown_observer.h"

using ::testing::_;
using ::testing::Return;

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
}

TEST(ShutdownNotification, RefusedAttachesLeaveTheObserverUnlisted) {
    orbSubjectShutdownNotifier notifier("SAS_RM");
    ::testing::NiceMock<MockObserver> observer;
    // An unknown aspect is refused before the observer is asked.
    EXPECT_CALL(observer, notifyAttach(_, _)).Times(0);
    EXPECT_EQ(notifier.attach(&observer, static_cast<orbObservableAspect>(3)), 4);
    ::testing::Mock::VerifyAndClearExpectations(&observer);
    // The observer's own refusal is passed on.
    EXPECT_CALL(observer, notifyAttach(&notifier, ORB_ASPECT_SHUTDOWN)).WillOnce(Return(7));
    EXPECT_EQ(notifier.attach(&observer, ORB_ASPECT_SHUTDOWN), 7);
    ::testing::Mock::VerifyAndClearExpectations(&observer);

    // After the shutdown signal nobody is asked, and the factory of a manager that is already
    // stopping sees shutdown begun, so it does not begin its work.
    notifier.signalSubjectShutdown();
    EXPECT_CALL(observer, notifyAttach(_, _)).Times(0);
    EXPECT_EQ(notifier.attach(&observer, ORB_ASPECT_SHUTDOWN), 5);
    orbSubjectShutdownObserver factory("STOR_FACT", &notifier);
    EXPECT_TRUE(factory.isSubjectShutdownInitiated());
    EXPECT_EQ(notifier.getObserverCount(), 0u);
}

TEST(ShutdownNotification, AnObserverBelongsToOneSubject) {
    orbSubjectShutdownNotifier first("FIRST");
    orbSubjectShutdownNotifier second("SECOND");
    orbSubjectShutdownObserver observer("OBS", &first);
    EXPECT_EQ(second.attach(&observer, ORB_ASPECT_SHUTDOWN), 2);
    EXPECT_EQ(second.getObserverCount(), 0u);
    observer.notifyChange(&second, ORB_ASPECT_SHUTDOWN, "SECOND");
    EXPECT_FALSE(observer.isSubjectShutdownInitiated());

    // After a detach it can register again.
    first.detach(&observer);
    EXPECT_EQ(second.attach(&observer, ORB_ASPECT_SHUTDOWN), 0);
    EXPECT_EQ(observer.getSubject(), &second);
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
