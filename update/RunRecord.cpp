#include "update/RunRecord.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "protocol/Payload.h"
#include "ui/resource.h"

namespace {
constexpr ULONGLONG ROTATE_AT = 1024 * 1024;  // bytes: then update.old.log, and a new update.log
// Bytes of a line before its conversion to UTF-8; longer is cut. A 256-byte reply, every byte
// escaped, fits with its words around it.
constexpr int LINE_TEXT = 2048;
// Every copy of the program in the session appends to the one record under this lock. Windows
// makes a write through an append-only handle one atomic append; Wine does not: it writes at
// the end as the file's size says just before, and two copies that read the same size write
// their lines over each other's. The lock is held for the one write (or the rotation), and
// never waited for longer than a run could bear: past that the line is written anyway.
constexpr const char* LOCK_NAME = "Local\\Haldren ZK-4100 Update record";
constexpr DWORD LOCK_WAIT_MS = 50;

// Holds the record's lock for its lifetime, if it could be had in time.
class CRecordLock {
 public:
  explicit CRecordLock(HANDLE mutex) : m_mutex(mutex) {
    const DWORD waited = mutex ? ::WaitForSingleObject(mutex, LOCK_WAIT_MS) : WAIT_FAILED;
    m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;  // abandoned: a copy ended while writing
  }
  ~CRecordLock() {
    if (m_held) ::ReleaseMutex(m_mutex);
  }
  CRecordLock(const CRecordLock&) = delete;
  CRecordLock& operator=(const CRecordLock&) = delete;

 private:
  HANDLE m_mutex;
  bool m_held;
};
}  // namespace

void CRunRecord::Open(const char* port) {
  Close();
  m_port = port;
  char base[MAX_PATH];
  const DWORD length = ::GetEnvironmentVariableA("LOCALAPPDATA", base, sizeof base);
  if (length == 0 || length >= sizeof base) return;
  std::string folder = std::string(base) + "\\Haldren";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  folder += "\\ZK-4100 Update";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string log = folder + "\\update.log";
  if (!m_hLock) m_hLock = ::CreateMutexA(nullptr, FALSE, LOCK_NAME);
  const CRecordLock lock(m_hLock);  // no other copy writes while the file is moved
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (::GetFileAttributesExA(log.c_str(), GetFileExInfoStandard, &data) &&
      (ULONGLONG{data.nFileSizeHigh} << 32 | data.nFileSizeLow) >= ROTATE_AT) {
    ::MoveFileExA(log.c_str(), (folder + "\\update.old.log").c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  // Others may read it while a run lasts (support can look at a run that hangs), a copy of the
  // program on another port writes its own lines to it, and either may rotate it.
  m_hFile = ::CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

CRunRecord::~CRunRecord() {
  Close();
  if (m_hLock) ::CloseHandle(m_hLock);
}

void CRunRecord::Close() {
  if (m_hFile == INVALID_HANDLE_VALUE) return;
  ::CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
}

void CRunRecord::Write(const char* format, ...) {
  if (m_hFile == INVALID_HANDLE_VALUE) return;
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char text[LINE_TEXT];
  const int stamp =
      std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u %s ", now.wYear, now.wMonth, now.wDay,
                    now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, static_cast<const char*>(m_port));
  va_list args;
  va_start(args, format);
  std::vsnprintf(text + stamp, sizeof text - stamp, format, args);
  va_end(args);
  // One event, one line: line breaks (as the system's texts end) become blanks, none at the end.
  size_t end = 0;
  for (size_t i = 0; text[i]; ++i) {
    if (static_cast<unsigned char>(text[i]) < 0x20) text[i] = ' ';
    if (text[i] != ' ') end = i + 1;
  }
  text[end] = '\0';
  // Our own texts are ASCII; the system's error texts come in the ANSI code page.
  wchar_t wide[LINE_TEXT];
  const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, LINE_TEXT);
  if (wideLength <= 1) return;
  char line[LINE_TEXT * 3 + 2];
  int length = ::WideCharToMultiByte(CP_UTF8, 0, wide, wideLength - 1, line, LINE_TEXT * 3, nullptr, nullptr);
  line[length++] = '\r';
  line[length++] = '\n';
  // One append for the whole line, under the lock: another copy's lines fall between lines,
  // never inside or over one.
  const CRecordLock lock(m_hLock);
  DWORD written = 0;
  ::WriteFile(m_hFile, line, static_cast<DWORD>(length), &written, nullptr);
}

CString Escaped(const unsigned char* bytes, DWORD count, DWORD shown) {
  if (count < shown) shown = count;
  std::string text;
  for (DWORD i = 0; i < shown; ++i) {
    // A backslash is escaped too, so that \xNN always means one byte.
    if (bytes[i] >= 0x20 && bytes[i] < 0x7F && bytes[i] != '\\') {
      text += static_cast<char>(bytes[i]);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", bytes[i]);
      text += hex;
    }
  }
  if (count > shown) text += "... (" + std::to_string(count) + " bytes)";
  return text.c_str();
}

CString DescribeWait(const unsigned char* expected, DWORD expectedCount, const WaitSeen& seen) {
  const CString awaited = expectedCount ? Escaped(expected, expectedCount) : CString("an answer");
  CString text;
  if (seen.end == WaitSeen::Cancelled) {
    text.Format("Cancel pressed while awaiting %s", static_cast<const char*>(awaited));
  } else if (seen.count == 0) {
    text.Format("awaited %s, nothing came within %lu ms", static_cast<const char*>(awaited), seen.timeout);
  } else if (seen.end == WaitSeen::TimedOut) {
    text.Format("awaited %s, came %s (%lu bytes, not %lu) until the %lu ms time-out", static_cast<const char*>(awaited),
                static_cast<const char*>(Escaped(seen.first, seen.count)), seen.count, expectedCount, seen.timeout);
  } else {
    text.Format("awaited %s, came %s", static_cast<const char*>(awaited),
                static_cast<const char*>(Escaped(seen.first, seen.count)));
  }
  return text;
}

CString SystemText(DWORD code) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  CString message;
  if (length != 0) {
    message = text;
  } else {
    message.Format("Error %lu", static_cast<unsigned long>(code));
  }
  if (text) ::LocalFree(text);
  return message;
}

CString SystemCause(DWORD code) {
  std::string text = static_cast<const char*>(SystemText(code));
  text.erase(text.find_last_not_of(" \r\n") + 1);
  return ("(" + text + ")").c_str();
}

CString ProgramVersion() {
  // From the text the version resource is built from: reading the resource back would take
  // version.dll, a DLL Windows looks for beside the program first.
  unsigned major = 0, minor = 0, patch = 0;
  std::sscanf(ZK_VERSION_TEXT, "%u, %u, %u", &major, &minor, &patch);
  CString version;
  version.Format("%u.%u%u", major, minor, patch);
  return version;
}

CString PayloadNamed() {
  const PayloadDigest& image = FirmwarePayload::FirmwareImageDigest;
  const PayloadDigest& program = FirmwarePayload::WriteControlProgramDigest;
  CString named;
  named.Format("payload sha256: firmware image %.16s%s, write control program %.16s%s", image.sha256,
               image.sample ? " (sample)" : "", program.sha256, program.sample ? " (sample)" : "");
  return named;
}
