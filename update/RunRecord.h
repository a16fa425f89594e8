// The record of every run: update.log in the user's local application data, one event a
// line, so that support can see where and why a write failed. It never stands in the run's
// way: every call does nothing when the file could not be opened, nothing is reported when
// it cannot be written, and the stages write only between waits.
#pragma once

#include <windows.h>

#include "framework/String.h"

class CRunRecord {
 public:
  CRunRecord() = default;
  ~CRunRecord();
  CRunRecord(const CRunRecord&) = delete;
  CRunRecord& operator=(const CRunRecord&) = delete;

  // Opens %LOCALAPPDATA%\Haldren\ZK-4100 Update\update.log for appending, making the folders
  // when missing, for the run on `port`. A file of 1 MB or more becomes update.old.log first,
  // replacing an older one. In an elevated run, a folder or file that is a link, or reached
  // through one, or a file with a second name, is not written: then there is no record.
  void Open(const char* port);
  void Close();
  // One line in UTF-8: the local date and time to the millisecond, the run's port, the text,
  // CRLF.
  void Write(const char* format, ...);

 private:
  HANDLE m_hFile = INVALID_HANDLE_VALUE;
  HANDLE m_hLock = nullptr;  // shared by every copy that writes the record
  CString m_port;            // tells apart the lines of copies that run at once on other ports
};

// What a wait for the radio received and how it ended, kept for the record of a failure.
struct WaitSeen {
  enum End { Judged, TimedOut, Cancelled };
  static constexpr DWORD KEPT = 16;
  unsigned char first[KEPT];  // the first bytes received
  DWORD count;                // every byte received, a surplus included
  DWORD timeout;              // ms, as the wait armed the reply timer
  End end;
};

// The cause of a stage's failure when a write to the port failed; SendBytes recorded why.
constexpr const char* SEND_FAILED = "sending failed";

// Bytes from the line as a record line shows them: printable ASCII as is, any other byte
// as \xNN, at most the first `shown` of them (`bytes` holds at least those).
CString Escaped(const unsigned char* bytes, DWORD count, DWORD shown = WaitSeen::KEPT);
// What was awaited (any answer when `expectedCount` is 0) and what came instead, or that
// nothing came within the time-out.
CString DescribeWait(const unsigned char* expected, DWORD expectedCount, const WaitSeen& seen);
// The system's text for an error code as FormatMessage gives it (line break included), or
// "Error N" where it has none.
CString SystemText(DWORD code);
// The same in brackets without its line break, as a record line gives a cause in passing.
CString SystemCause(DWORD code);
// The program's version, as its version resource gives it: "1.04".
CString ProgramVersion();
// The payload the program carries, as the record's first line names it: the first 16 hex digits
// of each file's SHA-256, and "sample" after one that is the sample of payload/.
CString PayloadNamed();
