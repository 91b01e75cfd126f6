#include "foundation/XVector.h"

#include <gtest/gtest.h>

namespace {
struct Item {
  int key;
  int order;
};
int ByKey(const Item* a, const Item* b) { return a->key - b->key; }
}  // namespace

TEST(XVector, OrderedAddPutsEqualElementsAfterTheirEarlierTwins) {
  Item three{3, 0}, one{1, 1}, twoA{2, 2}, twoB{2, 3};
  XVector<Item> v(5, ByKey);
  v.Add(&three);
  v.Add(&one);
  v.Add(&twoA);
  v.Add(&twoB);
  ASSERT_EQ(v.Count(), 4u);
  EXPECT_EQ(v[0], &one);
  EXPECT_EQ(v[1], &twoA);
  EXPECT_EQ(v[2], &twoB);
  EXPECT_EQ(v[3], &three);
}

TEST(XVector, GrowsAndShrinksByItsStep) {
  Item items[12]{};
  XVector<Item> v(5);
  for (auto& item : items) v.Add(&item);
  EXPECT_EQ(v.Capacity(), 15u);
  v.RemoveAt(0);
  v.RemoveAt(0);
  EXPECT_EQ(v.Count(), 10u);
  EXPECT_EQ(v.Capacity(), 10u);  // exactly capacity - growBy left: shrinks
  EXPECT_EQ(v[0], &items[2]);
  v.InsertAt(&items[0], 0);
  v.InsertAt(&items[1], 99);
  EXPECT_EQ(v[0], &items[0]);
  EXPECT_EQ(v[v.Count() - 1], &items[1]);
  v.Clear();
  EXPECT_EQ(v.Count(), 0u);
  EXPECT_EQ(v.At(0), nullptr);
}
