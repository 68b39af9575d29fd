#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

Message Posted(WindowId w, uint32_t kind) {
    Message m;
    m.window = w;
    m.kind = kind;
    return m;
}

TEST(MessageQueueTest, PostedMessagesComeFirstAndInOrder) {
    MessageQueue q;
    q.SetTimer(1, 100, 10, 0);
    q.Post(Posted(1, msg::KeyDown));
    q.Post(Posted(1, msg::Char));
    auto peeked = q.Peek(false, 50, {});
    ASSERT_TRUE(peeked);
    EXPECT_EQ(peeked->kind, msg::KeyDown);
    EXPECT_EQ(q.Peek(true, 50, {})->kind, msg::KeyDown);
    EXPECT_EQ(q.Peek(true, 50, {})->kind, msg::Char);
    const auto timer = q.Peek(true, 50, Point{3, 4});
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->kind, msg::Timer);
    EXPECT_EQ(timer->wparam, 100u);
    EXPECT_EQ(timer->time, 50u);
    EXPECT_EQ(timer->point, (Point{3, 4}));
    EXPECT_FALSE(q.Peek(true, 50, {}));
}

TEST(MessageQueueTest, AStalledLoopGetsOneTimerMessageNotABurst) {
    MessageQueue q;
    q.SetTimer(1, 7, 10, 0);
    EXPECT_FALSE(q.Peek(true, 9, {}));
    EXPECT_TRUE(q.Peek(false, 10, {}));
    EXPECT_TRUE(q.Peek(true, 10, {}));  // the peek above did not use it up
    EXPECT_FALSE(q.Peek(true, 19, {}));
    EXPECT_TRUE(q.Peek(true, 5000, {}));
    EXPECT_FALSE(q.Peek(true, 5000, {}));
    EXPECT_FALSE(q.Peek(true, 5009, {}));
    EXPECT_TRUE(q.Peek(true, 5010, {}));
}

TEST(MessageQueueTest, TimersSurviveTheTickWrapAndShortPeriodsAreRaised) {
    MessageQueue q;
    q.SetTimer(1, 1, 0, 0xFFFFFFF8u);  // raised to 10 ms
    EXPECT_FALSE(q.Peek(true, 0xFFFFFFFFu, {}));
    EXPECT_FALSE(q.Peek(true, 1, {}));
    EXPECT_TRUE(q.Peek(true, 2, {}));
}

TEST(MessageQueueTest, TimersAreReplacedKilledAndDroppedWithTheirWindow) {
    MessageQueue q;
    q.SetTimer(1, 1, 10, 0);
    q.SetTimer(1, 1, 50, 0);
    EXPECT_EQ(q.TimerCount(), 1u);
    EXPECT_FALSE(q.Peek(true, 40, {}));
    q.SetTimer(2, 1, 10, 0);
    EXPECT_TRUE(q.KillTimer(2, 1));
    EXPECT_FALSE(q.KillTimer(2, 1));
    q.Post(Posted(1, msg::Paint));
    q.Post(Posted(3, msg::Paint));
    q.RemoveWindow(1);
    EXPECT_EQ(q.TimerCount(), 0u);
    ASSERT_EQ(q.PendingCount(), 1u);
    EXPECT_EQ(q.Peek(true, 100, {})->window, 3u);
}

TEST(MessageQueueTest, CoalescedPostsKeepOnePerWindowAndTheQueueIsBounded) {
    MessageQueue q;
    EXPECT_TRUE(q.PostCoalesced(Posted(1, msg::Paint)));
    EXPECT_TRUE(q.PostCoalesced(Posted(1, msg::Paint)));
    EXPECT_TRUE(q.PostCoalesced(Posted(2, msg::Paint)));
    EXPECT_EQ(q.PendingCount(), 2u);
    for (size_t i = q.PendingCount(); i < MessageQueue::kCapacity; ++i) {
        ASSERT_TRUE(q.Post(Posted(1, msg::User)));
    }
    EXPECT_FALSE(q.Post(Posted(1, msg::User)));
    EXPECT_FALSE(q.PostCoalesced(Posted(3, msg::Paint)));
}

}  // namespace
}  // namespace platform
