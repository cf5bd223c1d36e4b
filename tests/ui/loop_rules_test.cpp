// The rules both desktop toolkits share: when posted events run, and what
// a close during a board operation does.
#include <gtest/gtest.h>

#include "platform/ui/close_during_operation.h"
#include "platform/ui/posted_events.h"

namespace vt::platform {
namespace {

using Step = PostedEvents::Step;

TEST(PostedEvents, WaitForTheOperationAndTheQuestionsButACloseEndsTheQuestions) {
  PostedEvents posted;
  posted.Push({1, EventKind::Command, 7, 0});
  UiEvent event;
  EXPECT_EQ(posted.Next({.pumping = true}, &event), Step::kWait);
  EXPECT_EQ(posted.Next({.quitting = true}, &event), Step::kWait);
  EXPECT_EQ(posted.Next({.operationRunning = true}, &event), Step::kWait);
  EXPECT_EQ(posted.Next({.questionsOpen = true}, &event), Step::kWait);
  EXPECT_EQ(posted.Size(), 1u);

  PostedEvents closing;
  closing.Push({1, EventKind::Close, 0, 0});
  EXPECT_EQ(closing.Next({.questionsOpen = true, .operationRunning = true}, &event),
            Step::kCloseQuestions);
  EXPECT_EQ(closing.Size(), 1u);  // it runs once the questions are gone

  ASSERT_EQ(posted.Next({}, &event), Step::kRaise);
  EXPECT_EQ(event.id, 7);
  EXPECT_TRUE(posted.Empty());
}

TEST(PostedEvents, OneDeviceChangeStandsForAllAndAGoneWindowsEventsAreDropped) {
  PostedEvents posted;
  EXPECT_TRUE(posted.PushDeviceChange(1));
  EXPECT_FALSE(posted.PushDeviceChange(1));
  EXPECT_TRUE(posted.PushDeviceChange(2));
  posted.Push({1, EventKind::Command, 7, 0});
  posted.DropWindow(1);
  UiEvent event;
  ASSERT_EQ(posted.Next({}, &event), Step::kRaise);
  EXPECT_EQ(event.window, 2u);
  EXPECT_TRUE(posted.Empty());
}

TEST(CloseDuringOperation, AskedOnceHeldUntilTheEndAndTakenUnattended) {
  EXPECT_EQ(RouteClose(true, true), CloseRoute::kHoldForOperation);
  EXPECT_EQ(RouteClose(false, true), CloseRoute::kQueue);
  EXPECT_EQ(RouteClose(false, false), CloseRoute::kRaiseNow);

  CloseDuringOperation close;
  EXPECT_FALSE(close.AskNow(false));  // nothing asked for
  close.Asked();
  ASSERT_TRUE(close.AskNow(false));
  close.Answered(true);
  close.Asked();
  EXPECT_FALSE(close.AskNow(false));  // already answered "yes"
  EXPECT_TRUE(close.TakeAtEnd());
  EXPECT_FALSE(close.TakeAtEnd());

  close.Asked();
  ASSERT_TRUE(close.AskNow(false));
  close.Answered(false);
  EXPECT_FALSE(close.TakeAtEnd());

  close.Asked();
  EXPECT_FALSE(close.AskNow(true));  // nobody to ask: the close is taken
  EXPECT_TRUE(close.TakeAtEnd());
}

}  // namespace
}  // namespace vt::platform
