#include "ptrlist.h"

PtrList* PtrList::Init(PtrList* pList) {
  pList->pTail = NULL;
  pList->pHead = NULL;
  pList->nCount = 0;
  return pList;
}

PtrListNode* PtrList::GetHead(PtrList* pList) { return pList->pHead; }

PtrListNode* PtrList::AddTail(PtrList* pList, PtrListNode* pNode) {
  pList->nCount += 1;
  if (pList->pTail != NULL) {
    LinkAfter(pList->pTail, pNode);
  } else {
    pNode->pPrev = pNode;
    pNode->pNext = pNode;
    pList->pHead = pNode;
  }
  pList->pTail = pNode;
  return pNode;
}

PtrListNode* PtrList::RemoveHead(PtrList* pList) { return Remove(pList, pList->pHead); }

void PtrList::LinkAfter(PtrListNode* pPos, PtrListNode* pNode) {
  pNode->pPrev = pPos;
  pNode->pNext = pPos->pNext;
  pPos->pNext->pPrev = pNode;
  pPos->pNext = pNode;
}

PtrListNode* PtrList::Remove(PtrList* pList, PtrListNode* pNode) {
  if (pList->nCount == 0) return NULL;
  pList->nCount -= 1;
  if (pList->nCount == 0) {
    pList->pHead = NULL;
    pList->pTail = NULL;
  } else {
    if (pList->pHead == pNode) pList->pHead = pNode->pNext;
    if (pList->pTail == pNode) pList->pTail = pNode->pPrev;
    pNode->pNext->pPrev = pNode->pPrev;
    pNode->pPrev->pNext = pNode->pNext;
  }
  return pNode;
}
