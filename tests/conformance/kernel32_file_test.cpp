// Files and folders: dispositions, reads and writes, file pointer, sharing,
// deletion, folders and the results GetLastError reports.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include "share_cases.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kContent[] = "hello";

// A fresh folder below the temporary folder for each test.
class Kernel32File : public ::testing::Test {
 protected:
  void SetUp() override {
    char szTemp[MAX_PATH];
    DWORD cch = GetTempPathA(MAX_PATH, szTemp);
    ASSERT_GT(cch, 0u);
    ASSERT_LT(cch, static_cast<DWORD>(MAX_PATH));
    char szName[64];
    wsprintfA(szName, "qjconf-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    m_dir = std::string(szTemp) + szName;
    ASSERT_TRUE(CreateDirectoryA(m_dir.c_str(), nullptr)) << m_dir << " error " << GetLastError();
  }

  void TearDown() override {
    for (const std::string& file : m_created) DeleteFileA(file.c_str());
    RemoveDirectoryA((m_dir + "\\sub").c_str());
    RemoveDirectoryA(m_dir.c_str());
  }

  std::string Path(const char* pszName) {
    std::string path = m_dir + "\\" + pszName;
    m_created.push_back(path);
    return path;
  }

  void WriteWholeFile(const std::string& path, const char* pszText) {
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD cbWritten = 0;
    ASSERT_TRUE(WriteFile(hFile, pszText, static_cast<DWORD>(std::strlen(pszText)), &cbWritten, nullptr));
    ASSERT_EQ(cbWritten, std::strlen(pszText));
    CloseHandle(hFile);
  }

  static DWORD SizeOf(const std::string& path) {
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return INVALID_FILE_SIZE;
    DWORD dwSize = GetFileSize(hFile, nullptr);
    CloseHandle(hFile);
    return dwSize;
  }

  std::string m_dir;
  std::vector<std::string> m_created;
};

struct DispositionCase {
  const char* pszName;
  DWORD dwDisposition;
  bool bExisting;
  bool bSucceeds;
  DWORD dwError;        // checked after failure, and after success where Windows sets it
  bool bErrorChecked;   // whether a success sets the last error
  DWORD dwSizeAfter;    // INVALID_FILE_SIZE: the file does not exist afterwards
};

TEST_F(Kernel32File, DispositionsOnExistingAndMissingFiles) {
  const DispositionCase cases[] = {
      {"create_new_missing", CREATE_NEW, false, true, 0, false, 0},
      {"create_new_existing", CREATE_NEW, true, false, ERROR_FILE_EXISTS, true, 5},
      {"create_always_missing", CREATE_ALWAYS, false, true, ERROR_SUCCESS, true, 0},
      {"create_always_existing", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, true, 0},
      {"open_existing_missing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, true, INVALID_FILE_SIZE},
      {"open_existing_existing", OPEN_EXISTING, true, true, 0, false, 5},
      {"open_always_missing", OPEN_ALWAYS, false, true, ERROR_SUCCESS, true, 0},
      {"open_always_existing", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, true, 5},
      {"truncate_existing_missing", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, true, INVALID_FILE_SIZE},
      {"truncate_existing_existing", TRUNCATE_EXISTING, true, true, 0, false, 0},
  };
  for (const DispositionCase& c : cases) {
    SCOPED_TRACE(c.pszName);
    std::string path = Path(c.pszName);
    if (c.bExisting) WriteWholeFile(path, kContent);
    SetLastError(0xdeadbeef);
    HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.dwDisposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD dwError = GetLastError();
    EXPECT_EQ(hFile != INVALID_HANDLE_VALUE, c.bSucceeds);
    if (!c.bSucceeds || c.bErrorChecked) {
      EXPECT_EQ(dwError, c.dwError);
    }
    if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    EXPECT_EQ(SizeOf(path), c.dwSizeAfter);
  }
}

TEST_F(Kernel32File, MissingFolderGivesPathNotFound) {
  std::string path = m_dir + "\\no-such-folder\\file.bin";
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Kernel32File, WriteReadBackAndMoveThePointer) {
  std::string path = Path("data.bin");
  HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
  DWORD cb = 0xdeadbeef;
  ASSERT_TRUE(WriteFile(hFile, "0123456789", 10, &cb, nullptr));
  EXPECT_EQ(cb, 10u);
  DWORD dwHigh = 0xdeadbeef;
  EXPECT_EQ(GetFileSize(hFile, &dwHigh), 10u);
  EXPECT_EQ(dwHigh, 0u);

  // At the end a read succeeds with no bytes.
  char buffer[16];
  std::memset(buffer, 0xcd, sizeof buffer);
  cb = 0xdeadbeef;
  ASSERT_TRUE(ReadFile(hFile, buffer, sizeof buffer, &cb, nullptr));
  EXPECT_EQ(cb, 0u);
  EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xcdu);

  EXPECT_EQ(SetFilePointer(hFile, 3, nullptr, FILE_BEGIN), 3u);
  ASSERT_TRUE(ReadFile(hFile, buffer, 4, &cb, nullptr));
  ASSERT_EQ(cb, 4u);
  EXPECT_EQ(std::string(buffer, 4), "3456");
  EXPECT_EQ(static_cast<unsigned char>(buffer[4]), 0xcdu);
  EXPECT_EQ(SetFilePointer(hFile, -2, nullptr, FILE_CURRENT), 5u);
  EXPECT_EQ(SetFilePointer(hFile, -4, nullptr, FILE_END), 6u);

  ASSERT_TRUE(SetEndOfFile(hFile));
  EXPECT_EQ(GetFileSize(hFile, nullptr), 6u);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(SetFilePointer(hFile, -7, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), 131u);  // ERROR_NEGATIVE_SEEK
  CloseHandle(hFile);
}

TEST_F(Kernel32File, AccessModeLimitsReadsAndWrites) {
  std::string path = Path("access.bin");
  WriteWholeFile(path, kContent);
  HANDLE hRead = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hRead, INVALID_HANDLE_VALUE);
  DWORD cb = 0xdeadbeef;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(WriteFile(hRead, "x", 1, &cb, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(cb, 0u);
  CloseHandle(hRead);

  HANDLE hWrite = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hWrite, INVALID_HANDLE_VALUE);
  char ch = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReadFile(hWrite, &ch, 1, &cb, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(hWrite);
}

TEST_F(Kernel32File, ShareModeConflictsFailWithSharingViolation) {
  std::string path = Path("shared.bin");
  WriteWholeFile(path, kContent);
  HANDLE hFirst = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hFirst, INVALID_HANDLE_VALUE);
  HANDLE hReader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(hReader, INVALID_HANDLE_VALUE);
  SetLastError(0xdeadbeef);
  HANDLE hWriter = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(hWriter, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (hReader != INVALID_HANDLE_VALUE) CloseHandle(hReader);
  CloseHandle(hFirst);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// Each pair of opens: the second fails with ERROR_SHARING_VIOLATION exactly
// when its access or share mode clashes with the held handle's; closing the
// held handle lets it through.
TEST_F(Kernel32File, ShareModesOfTwoOpens) {
  for (const sharecases::ShareCase& c : sharecases::kShareCases) {
    SCOPED_TRACE(c.pszName);
    std::string path = Path(c.pszName);
    WriteWholeFile(path, kContent);
    HANDLE hHeld = CreateFileA(path.c_str(), c.dwHeldAccess, c.dwHeldShare, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    SetLastError(0xdeadbeef);
    HANDLE hSecond = CreateFileA(path.c_str(), c.dwAccess, c.dwShare, nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD dwError = GetLastError();
    EXPECT_EQ(hSecond != INVALID_HANDLE_VALUE, c.bOpens);
    if (!c.bOpens) {
      EXPECT_EQ(dwError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    if (hSecond != INVALID_HANDLE_VALUE) CloseHandle(hSecond);
    CloseHandle(hHeld);
    hSecond = CreateFileA(path.c_str(), c.dwAccess, c.dwShare, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(hSecond, INVALID_HANDLE_VALUE) << "once the held handle is closed";
    if (hSecond != INVALID_HANDLE_VALUE) CloseHandle(hSecond);
  }
}

TEST_F(Kernel32File, DeleteFileAndAttributes) {
  std::string path = Path("victim.txt");
  WriteWholeFile(path, kContent);
  DWORD dwAttributes = GetFileAttributesA(path.c_str());
  ASSERT_NE(dwAttributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(dwAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Kernel32File, FoldersCreateOnceAndRemoveWhenEmpty) {
  std::string sub = m_dir + "\\sub";
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CreateDirectoryA(sub.c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  DWORD dwAttributes = GetFileAttributesA(sub.c_str());
  ASSERT_NE(dwAttributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(dwAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);

  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CreateDirectoryA((m_dir + "\\missing\\deeper").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  std::string inner = Path("sub\\inner.txt");
  WriteWholeFile(inner, kContent);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  ASSERT_TRUE(DeleteFileA(inner.c_str()));
  EXPECT_TRUE(RemoveDirectoryA(sub.c_str()));

  // A folder cannot be opened as a file.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileA(m_dir.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(Kernel32Folders, SystemFolderNamesAndShortBuffers) {
  char szSystem[MAX_PATH];
  std::memset(szSystem, 0xcd, sizeof szSystem);
  UINT cch = GetSystemDirectoryA(szSystem, MAX_PATH);
  ASSERT_GT(cch, 0u);
  EXPECT_EQ(cch, std::strlen(szSystem));
  DWORD dwAttributes = GetFileAttributesA(szSystem);
  ASSERT_NE(dwAttributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(dwAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  // Too short a buffer: the size needed with the terminator.
  char szShort[4];
  EXPECT_EQ(GetSystemDirectoryA(szShort, sizeof szShort), cch + 1);

  char szWindows[MAX_PATH];
  UINT cchWindows = GetWindowsDirectoryA(szWindows, MAX_PATH);
  ASSERT_GT(cchWindows, 0u);
  EXPECT_EQ(lstrcmpiA(std::string(szSystem, cchWindows).c_str(), szWindows), 0);

  char szTemp[MAX_PATH];
  DWORD cchTemp = GetTempPathA(MAX_PATH, szTemp);
  ASSERT_GT(cchTemp, 0u);
  EXPECT_EQ(szTemp[cchTemp - 1], '\\');
  EXPECT_EQ(GetTempPathA(2, szShort), cchTemp + 1);
}

}  // namespace
