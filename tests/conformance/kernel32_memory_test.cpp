// LocalAlloc/LocalFree and the IsBad*Ptr probes.
#include "platform/win32.h"

#include <gtest/gtest.h>

namespace {

const char kReadOnly[] = "read-only data";

TEST(Kernel32Memory, PointerProbes) {
  char buffer[64] = {};
  struct Case {
    const char* pszName;
    void* pv;
    UINT_PTR cb;
    BOOL bBadRead;
    BOOL bBadWrite;
  };
  const Case cases[] = {
      {"null with a size", nullptr, 1, TRUE, TRUE},
      {"null with no size", nullptr, 0, FALSE, FALSE},
      {"valid buffer", buffer, sizeof buffer, FALSE, FALSE},
      {"valid buffer, no size", buffer, 0, FALSE, FALSE},
      {"read-only data", const_cast<char*>(kReadOnly), sizeof kReadOnly, FALSE, TRUE},
      {"wraps the address space", buffer, static_cast<UINT_PTR>(-1), TRUE, TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    EXPECT_EQ(IsBadReadPtr(c.pv, c.cb), c.bBadRead);
    EXPECT_EQ(IsBadWritePtr(c.pv, c.cb), c.bBadWrite);
  }
  EXPECT_EQ(buffer[0], 0);  // probing leaves the memory as it was
}

TEST(Kernel32Memory, LocalAllocZeroesAndLocalFreeReturnsNull) {
  BYTE* pb = static_cast<BYTE*>(LocalAlloc(LPTR, 100));
  ASSERT_NE(pb, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(pb[i], 0) << i;
  EXPECT_FALSE(IsBadWritePtr(pb, 100));
  EXPECT_EQ(LocalFree(pb), nullptr);
}

}  // namespace
