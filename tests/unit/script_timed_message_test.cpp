#include "runtime/clock.h"
#include "script/screen_text.h"

#include <gtest/gtest.h>

TEST(TimedMessageClock, ShownFromTheSecondItIsSetForSixWholeSeconds) {
    const std::int64_t t = 1'700'000'000;
    const std::int64_t expiry = TimedMessageExpiry(t);
    for (std::int64_t now = t; now <= t + 5; ++now) EXPECT_TRUE(TimedMessageVisible(expiry, now)) << now;
    EXPECT_FALSE(TimedMessageVisible(expiry, t + 6));
    EXPECT_FALSE(TimedMessageVisible(expiry, t + 1000));
}

TEST(TimedMessageClock, NeverShownBeforeTheFirstShow) {
    const TimedMessage message;
    EXPECT_TRUE(message.text.empty());
    EXPECT_FALSE(TimedMessageVisible(message.expiry, Now()));
    EXPECT_FALSE(TimedMessageVisible(message.expiry, 0)); // expiry 0 is not after second 0
}

TEST(TimedMessage, ShowCopiesTheTextAndRestartsTheSixSeconds) {
    TimedMessage message;
    std::string first = "You cannot afford this";
    const std::int64_t before = Now();
    message.Show(first);
    const std::int64_t after = Now();
    first.assign("overwritten by the caller");
    EXPECT_EQ(message.text, "You cannot afford this");
    EXPECT_GE(message.expiry, before + 6);
    EXPECT_LE(message.expiry, after + 6);

    message.expiry = 0; // as if long expired
    message.Show("Nice deal!");
    EXPECT_EQ(message.text, "Nice deal!");
    EXPECT_GE(message.expiry, after + 6);
    EXPECT_TRUE(TimedMessageVisible(message.expiry, Now()));
}
