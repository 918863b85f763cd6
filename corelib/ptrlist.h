// Intrusive, circular, doubly linked first-in-first-out list.
//
// The list never allocates or frees: the caller allocates a node before it
// appends it and owns it again once it has been removed. The list has no lock;
// every user holds its owning object's lock around each operation (and around
// a whole rotation pass).
#pragma once

#include "platform/win32.h"

// The two links at the start of every element; an element type derives from
// this (or begins with these two pointers) and continues with its own fields.
struct PtrListNode {
  PtrListNode* pPrev;  // neighbour toward the head; the head's pPrev is the tail
  PtrListNode* pNext;  // neighbour toward the tail; the tail's pNext is the head
};
static_assert(sizeof(PtrListNode) == 2 * sizeof(void*), "a list node is two links");

// Three-word node that carries a pointer to an object kept elsewhere.
struct PtrListDataNode : PtrListNode {
  void* pData;
};
static_assert(sizeof(PtrListDataNode) == 3 * sizeof(void*), "a data node is three words");

struct PtrList {
  PtrListNode* pTail;  // node appended last; NULL when empty
  PtrListNode* pHead;  // oldest node; NULL when empty
  DWORD nCount;        // number of nodes

  // Empties the header (the nodes it held are not touched); returns pList.
  static PtrList* Init(PtrList* pList);
  // The oldest node without removing it; NULL when the list is empty.
  static PtrListNode* GetHead(PtrList* pList);
  // Appends pNode at the tail; its old links are overwritten, so a node just
  // taken off a list may be appended at once. Returns pNode.
  static PtrListNode* AddTail(PtrList* pList, PtrListNode* pNode);
  // Takes the oldest node off the list; NULL when the list is empty.
  static PtrListNode* RemoveHead(PtrList* pList);
  // Links pNode into the ring right after pPos.
  static void LinkAfter(PtrListNode* pPos, PtrListNode* pNode);
  // Unlinks pNode, which must be in pList; returns it with its old links left
  // as they were. NULL, with nothing changed, when the list is empty.
  static PtrListNode* Remove(PtrList* pList, PtrListNode* pNode);
};
static_assert(sizeof(PtrList) == (sizeof(void*) == 8 ? 24 : 12), "list header is tail, head, count");

// The rotation pass: under the owner's lock, take each of the n nodes present
// at the start off the head once and hand it to fnVisit(node), which returns
// true to append it again at the tail or false after it has freed (or
// otherwise taken ownership of) the node. Kept nodes keep their order.
template <typename Visit>
void RotatePtrList(PtrList* pList, Visit fnVisit) {
  const DWORD n = pList->nCount;
  for (DWORD i = 0; i < n; ++i) {
    PtrListNode* pNode = PtrList::RemoveHead(pList);
    if (pNode == NULL) return;
    if (fnVisit(pNode)) PtrList::AddTail(pList, pNode);
  }
}
