// Pairs of opens of one file or device: a handle held open, then a second
// open, and whether Windows lets the second one through. The access and the
// share mode of each open must allow what the other asks for; otherwise the
// second open fails with ERROR_SHARING_VIOLATION. Shared by the file
// conformance case and the HID device test, which hold devices to the same
// rule.
#pragma once

#include "platform/win32.h"

namespace sharecases {

struct ShareCase {
  const char* pszName;
  DWORD dwHeldAccess;
  DWORD dwHeldShare;
  DWORD dwAccess;
  DWORD dwShare;
  bool bOpens;
};

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kWrite = GENERIC_WRITE;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareRead = FILE_SHARE_READ;
constexpr DWORD kShareWrite = FILE_SHARE_WRITE;
constexpr DWORD kShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The last opens are the motor-report writers' (read and write access,
// read and write sharing) against other holders.
constexpr ShareCase kShareCases[] = {
    {"readers_sharing_reads", kRead, kShareRead, kRead, kShareRead, true},
    {"writer_after_reader_that_shares_no_write", kRead, kShareRead, kWrite, kShareBoth, false},
    {"writer_after_reader_that_shares_write", kRead, kShareBoth, kWrite, kShareBoth, true},
    {"reader_not_sharing_write_after_writer", kWrite, kShareBoth, kRead, kShareRead, false},
    {"reader_after_holder_that_shares_nothing", kRead, 0, kRead, kShareBoth, false},
    {"writer_only_sharing_write_after_reader", kRead, kShareBoth, kWrite, kShareWrite, false},
    {"writer_after_writer_that_shares_write_only", kWrite, kShareWrite, kWrite, kShareWrite, true},
    {"report_writer_after_report_writer", kReadWrite, kShareBoth, kReadWrite, kShareBoth, true},
    {"report_writer_after_reader_sharing_reads", kRead, kShareRead, kReadWrite, kShareBoth, false},
    {"report_writer_after_writer_sharing_writes", kWrite, kShareWrite, kReadWrite, kShareBoth, false},
    {"report_writer_after_exclusive_holder", kReadWrite, 0, kReadWrite, kShareBoth, false},
};

}  // namespace sharecases
