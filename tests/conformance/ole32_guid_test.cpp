// StringFromGUID2 text and buffer sizes; CoInitialize/CoUninitialize.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const GUID kGuid = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x40}};

std::string Narrow(const WCHAR* pwsz) {
  std::string text;
  for (; *pwsz; ++pwsz) text += static_cast<char>(*pwsz);
  return text;
}

TEST(Ole32Guid, BracedUpperCaseText) {
  WCHAR wsz[64];
  std::memset(wsz, 0xcd, sizeof wsz);
  EXPECT_EQ(StringFromGUID2(kGuid, wsz, 64), 39);
  EXPECT_EQ(Narrow(wsz), "{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}");
  EXPECT_EQ(wsz[39], 0xcdcd);

  std::memset(wsz, 0xcd, sizeof wsz);
  EXPECT_EQ(StringFromGUID2(kGuid, wsz, 39), 39);  // exactly enough
  EXPECT_EQ(Narrow(wsz), "{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}");
  EXPECT_EQ(StringFromGUID2(GUID_NULL, wsz, 39), 39);
  EXPECT_EQ(Narrow(wsz), "{00000000-0000-0000-0000-000000000000}");
}

TEST(Ole32Guid, ShortBufferGivesZero) {
  WCHAR wsz[64];
  std::memset(wsz, 0xcd, sizeof wsz);
  EXPECT_EQ(StringFromGUID2(kGuid, wsz, 38), 0);
  EXPECT_EQ(StringFromGUID2(kGuid, wsz, 0), 0);
}

TEST(Ole32Apartment, InitializeAndUninitialize) {
  HRESULT hr = CoInitialize(nullptr);
  EXPECT_TRUE(SUCCEEDED(hr));
  CoUninitialize();
}

}  // namespace
