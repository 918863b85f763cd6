#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ptrlist.h"

namespace {

struct TestNode : PtrListNode {
  int nId;
};

// Checks every invariant of the ring and that it holds exactly the ids given,
// from head to tail.
void ExpectRing(const PtrList& list, const std::vector<int>& ids) {
  ASSERT_EQ(list.nCount, ids.size());
  if (ids.empty()) {
    EXPECT_EQ(list.pHead, nullptr);
    EXPECT_EQ(list.pTail, nullptr);
    return;
  }
  ASSERT_NE(list.pHead, nullptr);
  ASSERT_NE(list.pTail, nullptr);
  EXPECT_EQ(list.pTail->pNext, list.pHead);
  EXPECT_EQ(list.pHead->pPrev, list.pTail);
  const PtrListNode* pNode = list.pHead;
  for (size_t i = 0; i < ids.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(static_cast<const TestNode*>(pNode)->nId, ids[i]);
    EXPECT_EQ(pNode->pNext->pPrev, pNode);
    EXPECT_EQ(pNode->pPrev->pNext, pNode);
    if (i + 1 == ids.size()) {
      EXPECT_EQ(pNode, list.pTail);
    }
    pNode = pNode->pNext;
  }
  EXPECT_EQ(pNode, list.pHead);
}

class CorePtrListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&list, 0xcd, sizeof(list));
    PtrList::Init(&list);
    for (int i = 0; i < 3; ++i) {
      std::memset(&nodes[i], 0xcd, sizeof(nodes[i]));
      nodes[i].nId = i + 1;
    }
  }
  void AppendAll() {
    for (TestNode& node : nodes) PtrList::AddTail(&list, &node);
  }

  PtrList list;
  TestNode nodes[3];
};

TEST_F(CorePtrListTest, InitEmptiesAndRemoveHeadOnEmptyListChangesNothing) {
  ExpectRing(list, {});
  EXPECT_EQ(PtrList::GetHead(&list), nullptr);
  EXPECT_EQ(PtrList::RemoveHead(&list), nullptr);
  EXPECT_EQ(PtrList::Remove(&list, &nodes[0]), nullptr);
  ExpectRing(list, {});
}

TEST_F(CorePtrListTest, AppendsAtTailAndRemovesOldestFirst) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(PtrList::AddTail(&list, &nodes[i]), &nodes[i]);
    EXPECT_EQ(PtrList::GetHead(&list), &nodes[0]);
  }
  ExpectRing(list, {1, 2, 3});
  EXPECT_EQ(PtrList::RemoveHead(&list), &nodes[0]);
  ExpectRing(list, {2, 3});
  EXPECT_EQ(PtrList::RemoveHead(&list), &nodes[1]);
  ExpectRing(list, {3});
  EXPECT_EQ(PtrList::RemoveHead(&list), &nodes[2]);
  ExpectRing(list, {});
}

TEST_F(CorePtrListTest, OnlyNodeRemovedAndAppendedAgainLinksToItself) {
  PtrList::AddTail(&list, &nodes[0]);
  EXPECT_EQ(nodes[0].pPrev, &nodes[0]);
  EXPECT_EQ(nodes[0].pNext, &nodes[0]);
  EXPECT_EQ(PtrList::RemoveHead(&list), &nodes[0]);
  ExpectRing(list, {});
  PtrList::AddTail(&list, &nodes[0]);
  ExpectRing(list, {1});
  EXPECT_EQ(nodes[0].pPrev, &nodes[0]);
  EXPECT_EQ(nodes[0].pNext, &nodes[0]);
}

TEST_F(CorePtrListTest, RemoveUnlinksAnyNodeAndLeavesItsOldLinks) {
  struct Case {
    int nRemove;
    std::vector<int> rest;
  };
  for (const Case& c : {Case{0, {2, 3}}, Case{1, {1, 3}}, Case{2, {1, 2}}}) {
    SCOPED_TRACE(c.nRemove);
    SetUp();
    AppendAll();
    TestNode& node = nodes[c.nRemove];
    PtrListNode* pOldPrev = node.pPrev;
    PtrListNode* pOldNext = node.pNext;
    EXPECT_EQ(PtrList::Remove(&list, &node), &node);
    ExpectRing(list, c.rest);
    EXPECT_EQ(node.pPrev, pOldPrev);
    EXPECT_EQ(node.pNext, pOldNext);
  }
}

TEST_F(CorePtrListTest, AddTailOverwritesStaleLinks) {
  // A node still carrying the links of its place in another list.
  PtrList other;
  PtrList::Init(&other);
  TestNode a{}, b{};
  a.nId = 10;
  b.nId = 11;
  PtrList::AddTail(&other, &a);
  PtrList::AddTail(&other, &nodes[1]);
  PtrList::AddTail(&other, &b);
  PtrList::Remove(&other, &nodes[1]);
  ASSERT_EQ(nodes[1].pPrev, &a);  // stale
  ASSERT_EQ(nodes[1].pNext, &b);

  PtrList::AddTail(&list, &nodes[0]);
  PtrList::AddTail(&list, &nodes[1]);
  PtrList::AddTail(&list, &nodes[2]);
  ExpectRing(list, {1, 2, 3});
  // The other list is not disturbed by the node's new place.
  EXPECT_EQ(a.pNext, &b);
  EXPECT_EQ(b.pNext, &a);
  EXPECT_EQ(other.nCount, 2u);
}

TEST_F(CorePtrListTest, RotationPassKeepingEveryNodeLeavesListAsItWas) {
  AppendAll();
  std::vector<int> seen;
  RotatePtrList(&list, [&](PtrListNode* pNode) {
    seen.push_back(static_cast<TestNode*>(pNode)->nId);
    return true;
  });
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  ExpectRing(list, {1, 2, 3});
}

TEST_F(CorePtrListTest, RotationPassDroppingTheMiddleNodeRelinksItsNeighbours) {
  AppendAll();
  int nVisits = 0;
  RotatePtrList(&list, [&](PtrListNode* pNode) {
    ++nVisits;
    return static_cast<TestNode*>(pNode)->nId != 2;
  });
  EXPECT_EQ(nVisits, 3);
  ExpectRing(list, {1, 3});
  EXPECT_EQ(nodes[0].pNext, &nodes[2]);
  EXPECT_EQ(nodes[0].pPrev, &nodes[2]);
  EXPECT_EQ(nodes[2].pNext, &nodes[0]);
  EXPECT_EQ(nodes[2].pPrev, &nodes[0]);
}

TEST_F(CorePtrListTest, RotationPassVisitsOnlyTheNodesPresentAtItsStart) {
  AppendAll();
  TestNode extra{};
  extra.nId = 4;
  std::vector<int> seen;
  RotatePtrList(&list, [&](PtrListNode* pNode) {
    int nId = static_cast<TestNode*>(pNode)->nId;
    seen.push_back(nId);
    if (nId == 1) PtrList::AddTail(&list, &extra);  // appended behind the pass
    return nId != 3;
  });
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  ExpectRing(list, {4, 1, 2});
}

}  // namespace
