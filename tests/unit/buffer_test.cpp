// The array everything the plugin keeps lives in: each item made is destroyed once, in its place
// (the sanitizers' leak check sees the rest), whatever the array went through.
#include "dealer/buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

std::vector<int> Values(const Buffer<std::unique_ptr<int>>& items) {
    std::vector<int> values;
    for (const std::unique_ptr<int>& item : items) values.push_back(item ? *item : -1);
    return values;
}

TEST(Buffer, KeepsItsItemsThroughGrowthRemovalAndMoves) {
    Buffer<std::unique_ptr<int>> items;
    for (int i = 0; i < 13; ++i) ASSERT_TRUE(items.Append(std::make_unique<int>(i))); // grows twice
    items.Remove(3);  // the last takes its place
    items.Remove(11); // the last itself
    EXPECT_EQ(Values(items), (std::vector<int>{0, 1, 2, 12, 4, 5, 6, 7, 8, 9, 10}));

    Buffer<std::unique_ptr<int>> moved(std::move(items));
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(items.begin(), items.end());
    ASSERT_TRUE(items.Append(std::make_unique<int>(99))); // what was moved from is empty and usable
    items = std::move(moved);
    EXPECT_TRUE(moved.empty());
    ASSERT_TRUE(moved.Append(std::make_unique<int>(99)));
    ASSERT_TRUE(items.Resize(14)); // new items are empty ones
    ASSERT_TRUE(items.Reserve(100));
    EXPECT_EQ(Values(items), (std::vector<int>{0, 1, 2, 12, 4, 5, 6, 7, 8, 9, 10, -1, -1, -1}));
    ASSERT_TRUE(items.Resize(140)); // within half again its room, then past it: room for all
    ASSERT_TRUE(items.Resize(230));
    ASSERT_TRUE(items.Resize(4));              // fewer: the first ones kept
    EXPECT_FALSE(items.Reserve(SIZE_MAX / 4)); // more than memory could hold: refused, nothing changed
    EXPECT_EQ(Values(items), (std::vector<int>{0, 1, 2, 12}));
    Buffer<std::unique_ptr<int>>& same = items;
    items = std::move(same);
    EXPECT_EQ(items.size(), 4u);
}

} // namespace
