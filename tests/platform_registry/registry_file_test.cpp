// The registry file: the exact .reg text, reading files as the Windows
// registry editor writes them, and corrupt files.
#include "reg_test_util.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

using regtest::Query;
using regtest::ReadText;
using regtest::Reload;
using regtest::SetValue;
using regtest::WriteText;

namespace {

class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetRegistry();
    m_strFile = sim::RegistryFilePath();
    for (const char* suffix : {".corrupt", ".corrupt.1", ".corrupt.2"}) std::remove((m_strFile + suffix).c_str());
  }
  std::string m_strFile;
};

struct FormatValue {
  const char* pszName;  // NULL: the default value
  DWORD dwType;
  std::string data;
};

const std::vector<FormatValue>& FormatValues() {
  static const std::vector<FormatValue> values = {
      {nullptr, REG_SZ, std::string("say \"hi\" C:\\dir\0", 16)},
      {"Dword", REG_DWORD, std::string("\x2f\xa0\x00\x00", 4)},
      {"Bin", REG_BINARY, [] {
         std::string s;
         for (int i = 0; i < 30; ++i) s += static_cast<char>(i);
         return s;
       }()},
      {"Multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
      {"Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\y\0", 15)},
      {"Euro", REG_EXPAND_SZ, std::string("\x80\0", 2)},
      {"None", REG_NONE, std::string()},
      {"Q", REG_QWORD, std::string("\x08\x07\x06\x05\x04\x03\x02\x01", 8)},
      {"Filter", REG_SZ, std::string("PdFx31.sys\0\0", 12)},
      {"Short", REG_DWORD, std::string("\x01\x02", 2)},
      {"Q\"uo\\te", REG_SZ, std::string("x\0", 2)},
      {"Latin", REG_SZ, std::string("caf\xe9\0", 5)},
      {"NoNul", REG_SZ, std::string("abc", 3)},
      {"Cr", REG_SZ, std::string("a\r\nb\0", 5)},
  };
  return values;
}

const char kFormatExpected[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QjFormat]\r\n"
    "@=\"say \\\"hi\\\" C:\\\\dir\"\r\n"
    "\"Dword\"=dword:0000a02f\r\n"
    "\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
    "  17,18,19,1a,1b,1c,1d\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\r\n"
    "\"Expand\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\\\r\n"
    "  00,25,00,5c,00,79,00,00,00\r\n"
    "\"Euro\"=hex(2):ac,20,00,00\r\n"
    "\"None\"=hex(0):\r\n"
    "\"Q\"=hex(b):08,07,06,05,04,03,02,01\r\n"
    "\"Filter\"=hex(1):50,00,64,00,46,00,78,00,33,00,31,00,2e,00,73,00,79,00,73,00,00,\\\r\n"
    "  00,00,00\r\n"
    "\"Short\"=hex(4):01,02\r\n"
    "\"Q\\\"uo\\\\te\"=\"x\"\r\n"
    "\"Latin\"=\"caf\xe9\"\r\n"
    "\"NoNul\"=hex(1):61,00,62,00,63,00\r\n"
    "\"Cr\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QjFormat\\Alpha]\r\n"
    "\"v\"=dword:00000001\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QjFormat\\Alpha\\Deep]\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QjFormat\\beta]\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QjFormat\\_x]\r\n"
    "\r\n";

TEST_F(RegistryFile, TextOfASmallTreeIsExactAndReadsBack) {
  for (const FormatValue& v : FormatValues())
    ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "Software\\QjFormat", v.pszName, v.dwType, v.data.data(),
                                      static_cast<DWORD>(v.data.size())));
  for (const char* pszKey : {"Software\\QjFormat\\beta", "Software\\QjFormat\\Alpha\\Deep", "Software\\QjFormat\\_x"}) {
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, pszKey, &h));
    RegCloseKey(h);
  }
  const DWORD one = 1;
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "Software\\QjFormat\\Alpha", "v", REG_DWORD, &one, 4));

  EXPECT_EQ(kFormatExpected, sim::ExportRegistry("HKEY_LOCAL_MACHINE\\Software\\QjFormat"));

  // The file holds the same sections, after the header and the keys that
  // sort before them.
  const std::string file = ReadText(m_strFile);
  const std::string body(kFormatExpected + std::string(kFormatExpected).find("\r\n\r\n") + 4);
  EXPECT_EQ(0u, file.find("Windows Registry Editor Version 5.00\r\n\r\n"));
  EXPECT_NE(std::string::npos, file.find(body));

  // A fresh start from the file gives every value back byte for byte.
  Reload();
  for (const FormatValue& v : FormatValues()) {
    SCOPED_TRACE(v.pszName ? v.pszName : "(default)");
    const regtest::ValueRead r = Query(HKEY_LOCAL_MACHINE, "Software\\QjFormat", v.pszName);
    ASSERT_EQ(ERROR_SUCCESS, r.lErr);
    EXPECT_EQ(v.dwType, r.dwType);
    EXPECT_EQ(std::vector<BYTE>(v.data.begin(), v.data.end()), r.data);
  }
  EXPECT_EQ(kFormatExpected, sim::ExportRegistry("HKLM\\software\\qjformat"));
}

std::string ToUtf16WithBom(const std::string& ansi) {
  std::string out("\xFF\xFE", 2);
  for (char c : ansi) {
    out += c;
    out += '\0';
  }
  return out;
}

const char kEditorFile[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; a comment line\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}\\InProcServer32]\r\n"
    "@=\"C:\\\\x\\\\ff.dll\"\r\n"
    "\"ThreadingModel\"=\"Both\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\Test]\r\n"
    "\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
    "  17,18,19\r\n"
    "\"Wide\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"Dw\"=dword:DEADBEEF\r\n"
    "\"Gone\"=\"x\"\r\n"
    "\"Gone\"=-\r\n"
    "\"Later\"=\"first\"\r\n"
    "\"Later\"=\"second\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\Test\\Removed]\r\n"
    "\"a\"=\"b\"\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\System\\Test\\Removed]\r\n"
    "\r\n";

TEST_F(RegistryFile, ReadsFilesAsTheEditorWritesThem) {
  const struct {
    const char* pszLabel;
    std::string text;
  } kForms[] = {
      {"ANSI", kEditorFile},
      {"UTF-8 with BOM", std::string("\xEF\xBB\xBF") + kEditorFile},
      {"UTF-16LE with BOM", ToUtf16WithBom(kEditorFile)},
      {"LF line ends", [] {
         std::string s = kEditorFile;
         std::string out;
         for (char c : s)
           if (c != '\r') out += c;
         return out;
       }()},
  };
  for (const auto& form : kForms) {
    SCOPED_TRACE(form.pszLabel);
    WriteText(m_strFile, form.text);
    Reload();
    testing::internal::CaptureStderr();
    const regtest::ValueRead server =
        Query(HKEY_CLASSES_ROOT, "CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}\\InProcServer32", nullptr);
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    ASSERT_EQ(ERROR_SUCCESS, server.lErr);
    EXPECT_EQ(regtest::Bytes("C:\\x\\ff.dll", 12), server.data);
    EXPECT_EQ(ERROR_SUCCESS, Query(HKEY_LOCAL_MACHINE,
                                   "Software\\Classes\\CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}\\InProcServer32",
                                   "ThreadingModel")
                                 .lErr);

    const regtest::ValueRead bin = Query(HKEY_LOCAL_MACHINE, "System\\Test", "Bin");
    ASSERT_EQ(ERROR_SUCCESS, bin.lErr);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), bin.dwType);
    ASSERT_EQ(26u, bin.data.size());
    EXPECT_EQ(0x19, bin.data[25]);
    const regtest::ValueRead wide = Query(HKEY_LOCAL_MACHINE, "System\\Test", "Wide");
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), wide.dwType);
    EXPECT_EQ(regtest::Bytes("%A%", 4), wide.data);
    EXPECT_EQ(regtest::Bytes("\xef\xbe\xad\xde", 4), Query(HKEY_LOCAL_MACHINE, "System\\Test", "Dw").data);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(HKEY_LOCAL_MACHINE, "System\\Test", "Gone").lErr);
    EXPECT_EQ(regtest::Bytes("second", 7), Query(HKEY_LOCAL_MACHINE, "System\\Test", "Later").data);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(HKEY_LOCAL_MACHINE, "System\\Test\\Removed", "a").lErr);
  }
}

// Good keys before and after the broken line: lines 1-5 and 6-8 of the files.
const char kHead[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Good]\r\n"
    "\"ok\"=\"yes\"\r\n"
    "\r\n";
const char kAfter[] =
    "[HKEY_LOCAL_MACHINE\\After]\r\n"
    "\"ok2\"=dword:00000002\r\n"
    "\r\n";

TEST_F(RegistryFile, CorruptFileIsReportedWithItsLineAndTheRestIsKept) {
  const struct {
    const char* pszLabel;
    std::string text;
    int nLine;
  } kCases[] = {
      {"bad dword", std::string(kHead) + "\"n\"=dword:xyz\r\n" + kAfter, 6},
      {"bad hex byte", std::string(kHead) + "\"h\"=hex:01,zz\r\n" + kAfter, 6},
      {"bad type", std::string(kHead) + "\"h\"=hex(q):01\r\n" + kAfter, 6},
      {"unterminated text", std::string(kHead) + "\"s\"=\"abc\r\n" + kAfter, 6},
      {"unterminated name", std::string(kHead) + "\"s=\"abc\"x\r\n" + kAfter, 6},
      {"unterminated key name", std::string(kHead) + "[HKEY_LOCAL_MACHINE\\Broken\r\n\"lost\"=\"v\"\r\n" + kAfter,
       6},
      {"unknown root key", std::string(kHead) + "[HKEY_NOWHERE\\x]\r\n" + kAfter, 6},
      {"stray text", std::string(kHead) + "garbage\r\n" + kAfter, 6},
      {"cut off inside hex data", std::string(kHead) + kAfter + "\"t\"=hex:01,02,\\\r\n", 9},
      {"no header", std::string(kHead).substr(std::string(kHead).find('[')) + kAfter, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.pszLabel);
    WriteText(m_strFile, c.text);
    Reload();
    testing::internal::CaptureStderr();
    const regtest::ValueRead ok = Query(HKEY_LOCAL_MACHINE, "Good", "ok");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find(m_strFile + ":" + std::to_string(c.nLine) + ":")) << err;
    EXPECT_EQ(ERROR_SUCCESS, ok.lErr);
    EXPECT_EQ(regtest::Bytes("yes", 4), ok.data);
    EXPECT_EQ(regtest::Bytes("\x02\0\0\0", 4), Query(HKEY_LOCAL_MACHINE, "After", "ok2").data);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(HKEY_LOCAL_MACHINE, "Broken", "lost").lErr);
    // Reading never touches the file.
    EXPECT_EQ(c.text, ReadText(m_strFile));
    EXPECT_FALSE(regtest::Exists(m_strFile + ".corrupt"));
  }
}

TEST_F(RegistryFile, CorruptFileIsKeptBeforeItIsWrittenOver) {
  const std::string first = std::string(kHead) + "\"n\"=dword:xyz\r\n" + kAfter;
  WriteText(m_strFile, first);
  Reload();
  testing::internal::CaptureStderr();
  const DWORD dw = 5;
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "Good", "new", REG_DWORD, &dw, 4));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find(m_strFile + ".corrupt")) << err;
  EXPECT_EQ(first, ReadText(m_strFile + ".corrupt"));

  // The new file holds what could be read and the change, and reads cleanly.
  Reload();
  testing::internal::CaptureStderr();
  EXPECT_EQ(regtest::Bytes("yes", 4), Query(HKEY_LOCAL_MACHINE, "Good", "ok").data);
  EXPECT_EQ(regtest::Bytes("\x05\0\0\0", 4), Query(HKEY_LOCAL_MACHINE, "Good", "new").data);
  EXPECT_EQ(regtest::Bytes("\x02\0\0\0", 4), Query(HKEY_LOCAL_MACHINE, "After", "ok2").data);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());

  // A second broken file does not replace the first copy.
  const std::string second = std::string(kHead) + "\"s\"=\"cut";
  WriteText(m_strFile, second);
  Reload();
  testing::internal::CaptureStderr();
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "Good", "new", REG_DWORD, &dw, 4));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(first, ReadText(m_strFile + ".corrupt"));
  EXPECT_EQ(second, ReadText(m_strFile + ".corrupt.1"));
}

TEST_F(RegistryFile, EmptyFileIsReportedAndKept) {
  WriteText(m_strFile, "");
  Reload();
  testing::internal::CaptureStderr();
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(HKEY_LOCAL_MACHINE, "Good", "ok").lErr);
  const DWORD dw = 1;
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Good", "ok", REG_DWORD, &dw, 4));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find(m_strFile + ":1:")) << err;
  EXPECT_TRUE(regtest::Exists(m_strFile + ".corrupt"));
}

}  // namespace

namespace {

TEST_F(RegistryFile, UnreadableFileIsNeverWrittenOver) {
  // A folder in the file's place: it opens but cannot be read.
  ASSERT_EQ(0, mkdir(m_strFile.c_str(), 0777));
  Reload();
  testing::internal::CaptureStderr();
  const DWORD dw = 1;
  EXPECT_EQ(ERROR_CANTREAD, SetValue(HKEY_LOCAL_MACHINE, "Software\\QjUnreadable", "v", REG_DWORD, &dw, 4));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find(m_strFile)) << err;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(HKEY_LOCAL_MACHINE, "Software\\QjUnreadable", "v").lErr);
  ASSERT_EQ(0, rmdir(m_strFile.c_str()));
  EXPECT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "Software\\QjUnreadable", "v", REG_DWORD, &dw, 4));
}

}  // namespace
