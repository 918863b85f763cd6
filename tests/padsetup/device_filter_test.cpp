// Finding the controller among the present devices, setting its upper
// filter, and whole runs of the program's entry.
#include "padsetup_support.h"

#include <cstdio>
#include <cstring>

namespace padsetup_test {
namespace {

const char kControllerInstance[] = "HID\\VID_7C3A&PID_A02F\\7&1a2b3c4d&0&0000";

bool HasUpperFilters(DWORD dwDevInst) { return sim::GetDeviceProperty(dwDevInst, SPDRP_UPPERFILTERS, NULL, NULL); }

void ExpectFilterSet(DWORD dwDevInst) {
  DWORD dwType = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(sim::GetDeviceProperty(dwDevInst, SPDRP_UPPERFILTERS, &dwType, &data));
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), dwType);
  EXPECT_EQ(UpperFilterData(), data);
}

int RunProgram() { return WinMain(GetModuleHandleA(NULL), NULL, const_cast<LPSTR>(""), 1); }

using PadSetupFilterTest = PadSetupTest;

TEST_F(PadSetupFilterTest, ControllerPresentSetsFirstMatchAndWritesEntriesTwice) {
  ASSERT_TRUE(GiveMachineEnumKey());
  sim::ClearRegistryWrites();
  const DWORD dwOther = sim::AddDevice("USB\\VID_1234&PID_0001\\5&0", {"USB\\VID_1234&PID_0001"});
  const DWORD dwFirst = sim::AddDevice(kControllerInstance, {kControllerId + "&REV_0100", kControllerId});
  const DWORD dwSecond = sim::AddDevice("HID\\VID_7C3A&PID_A02F\\7&99&0&0000", {kControllerId});
  const std::string strInstance = kDeviceTreeKey + "\\7&1a2b3c4d&0&0000";
  const std::vector<BYTE> oldFilters = Bytes({'o', 'l', 'd', 0, 0});
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(strInstance, "UpperFilters", REG_MULTI_SZ, oldFilters));

  // At the property write the first pass must be complete; its values are
  // then taken away, so that they can only be back through a second pass.
  int nPropertyWrites = 0;
  sim::SetPropertyWriteHook([&](DWORD dwDevInst, DWORD dwProperty) {
    ++nPropertyWrites;
    EXPECT_EQ(dwFirst, dwDevInst);
    EXPECT_EQ(static_cast<DWORD>(SPDRP_UPPERFILTERS), dwProperty);
    ExpectOemValues("at the property write");
    EXPECT_EQ(UpperFilterData(), ReadValue(strInstance, "UpperFilters").data);
    DeleteOemValues();
    WriteValue(strInstance, "UpperFilters", REG_MULTI_SZ, oldFilters);
  });

  EXPECT_EQ(1, RunProgram());

  EXPECT_EQ(1, nPropertyWrites);
  // The nine values in their order, once before the property and once after.
  std::vector<OemValue> expectedWrites = ExpectedOemValues();
  expectedWrites.insert(expectedWrites.end(), ExpectedOemValues().begin(), ExpectedOemValues().end());
  const std::vector<OemValue> writes = OemWrites();
  ASSERT_EQ(expectedWrites.size(), writes.size());
  for (size_t i = 0; i < writes.size(); ++i) {
    SCOPED_TRACE("write " + std::to_string(i));
    EXPECT_EQ(Upper(expectedWrites[i].strSubKey), writes[i].strSubKey);
    EXPECT_EQ(expectedWrites[i].strName, writes[i].strName);
    EXPECT_EQ(expectedWrites[i].data, writes[i].data);
  }
  ExpectFilterSet(dwFirst);
  EXPECT_FALSE(HasUpperFilters(dwOther));
  EXPECT_FALSE(HasUpperFilters(dwSecond));
  ExpectOemValues("after the run");
  RegData filters = ReadValue(strInstance, "UpperFilters");
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), filters.dwType);
  EXPECT_EQ(UpperFilterData(), filters.data);
}

TEST_F(PadSetupFilterTest, ControllerPresentReportsSuccess) {
  const DWORD dwController = sim::AddDevice(kControllerInstance, {kControllerId});
  SetLastError(0xdeadbeef);
  EXPECT_EQ(1, InstallDeviceFilter());
  EXPECT_EQ(0u, GetLastError());
  ExpectFilterSet(dwController);
  ExpectOemValues("after the filter");
}

TEST_F(PadSetupFilterTest, ControllerAbsentChangesNoDeviceAndWritesEntriesOnce) {
  const DWORD dwOther = sim::AddDevice("USB\\VID_1234&PID_0001\\5&0", {"USB\\VID_1234&PID_0001"});
  const DWORD dwRevision = sim::AddDevice(kControllerInstance, {kControllerId + "&REV_0100"});

  EXPECT_EQ(0, InstallDeviceFilter());
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
  EXPECT_FALSE(KeyExists(kOemKey));  // the scan alone writes nothing

  EXPECT_EQ(1, RunProgram());
  ExpectOemValues("after the run");
  EXPECT_FALSE(HasUpperFilters(dwOther));
  EXPECT_FALSE(HasUpperFilters(dwRevision));
}

struct IdCase {
  const char* pszName;
  std::vector<BYTE> hardwareIds;  // raw SPDRP_HARDWAREID data
  bool bMatches;
};
void PrintTo(const IdCase& c, std::ostream* os) { *os << c.pszName; }

std::vector<BYTE> LongList(size_t cbAtLeast, bool bControllerLast) {
  std::vector<std::string> ids;
  size_t cb = 0;
  for (int i = 0; cb < cbAtLeast; ++i) {
    char szId[64];
    std::snprintf(szId, sizeof(szId), "HID\\VID_1111&PID_2222&MI_00&Col%04d", i);
    ids.push_back(szId);
    cb += ids.back().size() + 1;
  }
  if (bControllerLast) ids.push_back(kControllerId);
  return sim::MultiSz(ids);
}

std::vector<BYTE> Text(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

std::vector<IdCase> IdCases() {
  std::vector<BYTE> afterEmpty = Bytes({0});
  std::vector<BYTE> rest = sim::MultiSz({kControllerId});
  afterEmpty.insert(afterEmpty.end(), rest.begin(), rest.end());
  return {
      {"UpperCase", sim::MultiSz({"HID\\VID_7C3A&PID_A02F"}), true},
      {"LowerCase", sim::MultiSz({"hid\\vid_7c3a&pid_a02f"}), true},
      {"RevisionOnly", sim::MultiSz({"HID\\VID_7C3A&PID_A02F&REV_0100"}), false},
      {"RevisionThenShortForm", sim::MultiSz({"HID\\VID_7C3A&PID_A02F&REV_0100", "HID\\VID_7C3A&PID_A02F"}), true},
      {"PrefixOfTheId", sim::MultiSz({"HID\\VID_7C3A&PID_A02"}), false},
      {"OtherBus", sim::MultiSz({"USB\\VID_7C3A&PID_A02F"}), false},
      {"EmptyList", sim::MultiSz({}), false},
      {"AfterAnEmptyEntry", afterEmpty, false},
      {"LongListControllerLast", LongList(6000, true), true},
      {"LongListWithoutController", LongList(6000, false), false},
      {"UnterminatedFillingTheBuffer", Text(std::string(4048, 'A')), false},
      {"UnterminatedLongerThanTheBuffer", Text(std::string(5000, 'A')), false},
  };
}

class PadSetupHardwareIdTest : public PadSetupTest, public ::testing::WithParamInterface<IdCase> {};

TEST_P(PadSetupHardwareIdTest, MatchesOnlyTheWholeControllerId) {
  const IdCase& c = GetParam();
  const DWORD dwDevice = sim::AddDevice(kControllerInstance, {});
  ASSERT_TRUE(sim::SetDeviceProperty(dwDevice, SPDRP_HARDWAREID, REG_MULTI_SZ, c.hardwareIds.data(),
                                     static_cast<DWORD>(c.hardwareIds.size())));
  // A controller after the device shows that a non-matching list lets the
  // scan go on; after a match it must stay untouched.
  const DWORD dwLater = sim::AddDevice("HID\\VID_7C3A&PID_A02F\\7&99&0&0000", {kControllerId});

  EXPECT_EQ(1, InstallDeviceFilter());

  if (c.bMatches) {
    ExpectFilterSet(dwDevice);
    EXPECT_FALSE(HasUpperFilters(dwLater));
  } else {
    EXPECT_FALSE(HasUpperFilters(dwDevice));
    ExpectFilterSet(dwLater);
  }
}

INSTANTIATE_TEST_SUITE_P(Lists, PadSetupHardwareIdTest, ::testing::ValuesIn(IdCases()),
                         [](const ::testing::TestParamInfo<IdCase>& param) { return std::string(param.param.pszName); });

struct BadDeviceCase {
  const char* pszName;
  bool bNoHardwareIds;       // the first device has no SPDRP_HARDWAREID
  DWORD dwReadError;         // injected failure of the first device's read, or 0
  DWORD dwSetError;          // injected failure of the device set, or 0
  int nExpectedResult;       // of InstallDeviceFilter
  DWORD dwExpectedLastError;
  bool bControllerFiltered;  // the controller after the first device
};
void PrintTo(const BadDeviceCase& c, std::ostream* os) { *os << c.pszName; }

class PadSetupBadDeviceTest : public PadSetupTest, public ::testing::WithParamInterface<BadDeviceCase> {};

TEST_P(PadSetupBadDeviceTest, EndsAsDocumentedAndTheProgramStillExitsWithOne) {
  const BadDeviceCase& c = GetParam();
  const DWORD dwFirst = sim::AddDevice("HID\\VID_0001&PID_0001\\1&0",
                                       c.bNoHardwareIds ? std::vector<std::string>{} : std::vector<std::string>{kControllerId});
  if (c.dwReadError != 0) {
    ASSERT_TRUE(sim::FailPropertyRead(dwFirst, SPDRP_HARDWAREID, c.dwReadError));
  }
  const DWORD dwController = sim::AddDevice(kControllerInstance, {kControllerId});
  if (c.dwSetError != 0) sim::FailDeviceSetCreation(c.dwSetError);

  SetLastError(0xdeadbeef);
  EXPECT_EQ(c.nExpectedResult, InstallDeviceFilter());
  if (c.dwSetError == 0) {
    EXPECT_EQ(c.dwExpectedLastError, GetLastError());
  }
  EXPECT_FALSE(HasUpperFilters(dwFirst));
  EXPECT_EQ(c.bControllerFiltered, HasUpperFilters(dwController));

  sim::ResetRegistry();
  EXPECT_EQ(1, RunProgram());
  ExpectOemValues("after the run");
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, PadSetupBadDeviceTest,
    ::testing::Values(
        BadDeviceCase{"NoHardwareIds", true, 0, 0, 1, ERROR_SUCCESS, true},
        BadDeviceCase{"ReadFailsDeviceGone", false, ERROR_NO_SUCH_DEVINST, 0, 0, ERROR_NO_SUCH_DEVINST, false},
        BadDeviceCase{"ReadFailsOutOfMemory", false, ERROR_NOT_ENOUGH_MEMORY, 0, 0, ERROR_NOT_ENOUGH_MEMORY, false},
        // A read that keeps asking for the size it was given passes that
        // device over; the controller after it is still found.
        BadDeviceCase{"BufferNeverLargeEnough", false, ERROR_INSUFFICIENT_BUFFER, 0, 1, ERROR_SUCCESS, true},
        BadDeviceCase{"NoDeviceSet", false, 0, ERROR_NOT_ENOUGH_MEMORY, 0, 0, false}),
    [](const ::testing::TestParamInfo<BadDeviceCase>& param) { return std::string(param.param.pszName); });

TEST_F(PadSetupFilterTest, RefusedRegistryStillSetsTheFilterAndExitsWithOne) {
  const DWORD dwController = sim::AddDevice(kControllerInstance, {kControllerId});
  for (const char* pszSub : {"", "Axes\\0", "Axes\\1", "OEMForceFeedback"})
    sim::FailKeyCreation(HKEY_LOCAL_MACHINE, OemPath(pszSub).c_str(), true);
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, kDeviceTreeKey.c_str(), true);

  EXPECT_EQ(1, RunProgram());

  ExpectFilterSet(dwController);
  sim::ClearRegistryFailures();
  EXPECT_FALSE(KeyExists(OemPath("")));
  EXPECT_FALSE(KeyExists(kDeviceTreeKey));
}

// The first read of every list offers 4048 bytes; a longer list is read
// again with the size reported, and a device whose read keeps failing at
// that size is passed over without ending the scan.
TEST_F(PadSetupFilterTest, HardwareIdReadsOffer4048BytesThenTheSizeReported) {
  const std::vector<BYTE> longList = LongList(6000, false);
  const std::vector<BYTE> failingList = LongList(5000, true);
  const DWORD dwLong = sim::AddDevice("HID\\VID_1111&PID_2222\\1&0", {});
  ASSERT_TRUE(sim::SetDeviceProperty(dwLong, SPDRP_HARDWAREID, REG_MULTI_SZ, longList.data(), DWORD(longList.size())));
  const DWORD dwFailing = sim::AddDevice("HID\\VID_7C3A&PID_A02F\\1&1", {});
  ASSERT_TRUE(sim::SetDeviceProperty(dwFailing, SPDRP_HARDWAREID, REG_MULTI_SZ, failingList.data(),
                                     DWORD(failingList.size())));
  ASSERT_TRUE(sim::FailPropertyRead(dwFailing, SPDRP_HARDWAREID, ERROR_INSUFFICIENT_BUFFER));
  const DWORD dwController = sim::AddDevice(kControllerInstance, {kControllerId});

  EXPECT_EQ(1, InstallDeviceFilter());

  const std::vector<std::pair<DWORD, DWORD>> expected = {  // device, bytes offered
      {dwLong, 4048},    {dwLong, DWORD(longList.size())},
      {dwFailing, 4048}, {dwFailing, DWORD(failingList.size())},
      {dwController, 4048},
  };
  const std::vector<sim::PropertyRead> reads = sim::PropertyReads();
  ASSERT_EQ(expected.size(), reads.size());
  for (size_t i = 0; i < reads.size(); ++i) {
    SCOPED_TRACE("read " + std::to_string(i));
    EXPECT_EQ(expected[i].first, reads[i].dwDevInst);
    EXPECT_EQ(static_cast<DWORD>(SPDRP_HARDWAREID), reads[i].dwProperty);
    EXPECT_EQ(expected[i].second, reads[i].cbBuffer);
  }
  EXPECT_FALSE(HasUpperFilters(dwFailing));
  ExpectFilterSet(dwController);
}

// A user who is not an administrator cannot set a device property.
TEST_F(PadSetupFilterTest, RefusedFilterPropertyIsReportedAndOnlyTheFirstMatchIsTried) {
  const DWORD dwFirst = sim::AddDevice(kControllerInstance, {kControllerId});
  const DWORD dwSecond = sim::AddDevice("HID\\VID_7C3A&PID_A02F\\7&99&0&0000", {kControllerId});
  sim::FailPropertyWrites(ERROR_ACCESS_DENIED);

  SetLastError(0xdeadbeef);
  EXPECT_EQ(0, InstallDeviceFilter());
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

  EXPECT_FALSE(HasUpperFilters(dwFirst));
  EXPECT_FALSE(HasUpperFilters(dwSecond));
  for (const sim::PropertyRead& read : sim::PropertyReads()) EXPECT_NE(dwSecond, read.dwDevInst);
  ExpectOemValues("written before the property");
  EXPECT_EQ(1, RunProgram());
}

TEST_F(PadSetupFilterTest, UserWithoutAdministratorRightsLeavesTheMachineAsItWas) {
  const DWORD dwController = sim::AddDevice(kControllerInstance, {kControllerId});
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "", KEY_READ);
  sim::FailPropertyWrites(ERROR_ACCESS_DENIED);
  const std::string before = sim::ExportRegistry("HKEY_LOCAL_MACHINE");
  sim::ClearRegistryWrites();

  EXPECT_EQ(1, RunProgram());

  EXPECT_FALSE(HasUpperFilters(dwController));
  EXPECT_TRUE(sim::RegistryWrites().empty());
  EXPECT_EQ(before, sim::ExportRegistry("HKEY_LOCAL_MACHINE"));
  sim::ClearRegistryFailures();
  EXPECT_FALSE(KeyExists(OemPath("")));
}

}  // namespace
}  // namespace padsetup_test
