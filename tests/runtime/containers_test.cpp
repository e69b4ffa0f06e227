// Stacks grow to length * 2 + 10 and keep their contents through a cycle;
// the int map keeps the red-black properties after many random inserts.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>

#include "runtime/containers.h"

namespace {

struct Item : Object {
  int id = 0;
};
class ItemMap : public c_IntMapOf<Item> {};
using Node = c_NodeOf<Item>;

TEST(Stack, StringStackGrowsFromTenToThirty) {
  gc_init();
  c_StringStack* s = gc_new<c_StringStack>()->m_new();
  s->p_Push4(String("0"));
  EXPECT_EQ(s->m_data.Length(), 10);
  for (int i = 1; i < 11; ++i) s->p_Push4(String(i));
  EXPECT_EQ(s->m_data.Length(), 30);
  EXPECT_EQ(s->p_Length2(), 11);
  EXPECT_EQ(s->p_Join(String(",")).ToUtf8(), "0,1,2,3,4,5,6,7,8,9,10");
}

TEST(Stack, LengthShrinksReleasingAndGrowsToTheLargerCapacity) {
  c_StringStack* s = gc_new<c_StringStack>()->m_new();
  String held("held");
  for (int i = 0; i < 5; ++i) s->p_Push4(held);
  s->p_Length(3);
  EXPECT_EQ(held.GetRep()->refCount, 4);
  EXPECT_EQ(s->m_data.Length(), 10);
  for (int i = 3; i < 10; ++i) s->p_Push4(held);
  s->p_Length(50);
  EXPECT_EQ(s->m_data.Length(), 50);
  EXPECT_EQ(s->p_Length2(), 50);
  s->p_Clear();
  for (int i = 0; i < 50; ++i) EXPECT_EQ(s->m_data[i].Length(), 0);
  int unheld = held.GetRep()->refCount;
  for (int i = 0; i < 5; ++i) s->p_Push4(held);
  s->p_Length(-3);  // a negative length empties the stack
  EXPECT_EQ(s->p_Length2(), 0);
  EXPECT_EQ(held.GetRep()->refCount, unheld);
  EXPECT_EQ(s->p_ToArray().rep, &Array<String>::nullRep);
}

c_NumberedStack<Item*>* heldStack = nullptr;

TEST(Stack, GrowthAfterTheStackWasTracedKeepsItsItems) {
  gc_add_root(heldStack);
  gc_assign(heldStack, gc_new<c_NumberedStack<Item*>>());
  gc_ext_alloc(gc_cycle_bytes + 1);
  gc_collect();                      // cycle end queues the root
  gc_new_bytes = kGcCycleBytes / 2;  // enough pace to trace everything queued
  gc_collect();
  for (int i = 0; i < 25; ++i) {
    Item* it = gc_new<Item>();
    it->id = i;
    heldStack->p_Push4(it);
  }
  gc_ext_alloc(gc_cycle_bytes + 1);
  gc_collect();
  ASSERT_TRUE(gc_is_live_object(heldStack->m_data.rep)) << "storage made after the stack was traced is traced";
  for (int i = 0; i < 25; ++i) {
    ASSERT_TRUE(gc_is_live_object(heldStack->p_Get(i)));
    EXPECT_EQ(heldStack->p_Get(i)->id, i);
  }
}

// Returns the black height, failing on a red node with a red child.
int blackHeight(Node* n, Node* parent) {
  if (!n) return 1;
  EXPECT_EQ(n->m_parent, parent);
  if (n->m_color == -1) {
    EXPECT_FALSE(n->m_left && n->m_left->m_color == -1);
    EXPECT_FALSE(n->m_right && n->m_right->m_color == -1);
  }
  if (n->m_left) {
    EXPECT_LT(n->m_left->m_key, n->m_key);
  }
  if (n->m_right) {
    EXPECT_GT(n->m_right->m_key, n->m_key);
  }
  int l = blackHeight(n->m_left, n), r = blackHeight(n->m_right, n);
  EXPECT_EQ(l, r);
  return l + (n->m_color == 1 ? 1 : 0);
}

TEST(IntMap, RandomInsertsKeepRedBlackProperties) {
  ItemMap* m = gc_new<ItemMap>();
  std::mt19937 rng(3);
  std::set<int> keys;
  for (int i = 0; i < 3000; ++i) {
    int k = static_cast<int>(rng() % 5000) - 2500;
    EXPECT_EQ(m->p_Set(k, gc_new<Item>()), keys.insert(k).second);
  }
  EXPECT_EQ(m->m_root->m_color, 1);
  blackHeight(m->m_root, nullptr);
  for (int k : keys) EXPECT_TRUE(m->p_Contains(k));
  EXPECT_FALSE(m->p_Contains(9999));
}

TEST(IntMap, KeysAtTheEndsOfTheIntRangeKeepTheirOrder) {
  ItemMap* m = gc_new<ItemMap>();
  const int keys[] = {1, INT_MIN, INT_MAX, -1, INT_MIN + 1, 0, INT_MAX - 1};  // INT_MIN - 1 overflows
  for (int k : keys) EXPECT_TRUE(m->p_Set(k, gc_new<Item>()));
  blackHeight(m->m_root, nullptr);
  for (int k : keys) EXPECT_TRUE(m->p_Contains(k)) << k;
  EXPECT_EQ(m->p_Compare(5, 3), 2);
  EXPECT_EQ(m->p_Compare(-3, 5), -8);
}

TEST(IntMap, SetOnAnExistingKeyReplacesTheValue) {
  ItemMap* m = gc_new<ItemMap>();
  Item* a = gc_new<Item>();
  Item* b = gc_new<Item>();
  EXPECT_TRUE(m->p_Set(7, a));
  Node* node = m->p_FindNode(7);
  EXPECT_FALSE(m->p_Set(7, b));
  EXPECT_EQ(m->p_FindNode(7), node);
  EXPECT_EQ(m->p_Get(7), b);
}

}  // namespace
