#include "update/RunRecord.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/DesktopShell.h"
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

// The record's folders and file are the user's, and so are what their names stand for: a standard
// user can make any of them a junction, a symbolic link or a second hard link of a file elsewhere,
// and point a run with an administrator's rights at a file of their choosing. So each is opened on
// its own name, not followed if a link, and in an elevated run checked on its handle: it is
// itself, where its name says (no link on the way), and a file has no other name. Only a checked
// handle is written to, and a record that fails a check is not kept.
bool IsItself(HANDLE handle, const std::string& path, bool folder) {
  if (!RunsElevated()) return true;  // a user's links lead only where the user may write anyway
  BY_HANDLE_FILE_INFORMATION info;
  char final[MAX_PATH + 8];
  const DWORD length = ::GetFinalPathNameByHandleA(handle, final, sizeof final, FILE_NAME_NORMALIZED);
  return ::GetFileInformationByHandle(handle, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == !folder && (folder || info.nNumberOfLinks == 1) &&
         length < sizeof final && ::lstrcmpiA(final, ("\\\\?\\" + path).c_str()) == 0;
}

// Folders opened and checked, held open (without delete sharing: none can be renamed or replaced)
// for as long as this lives.
class CHeldFolders {
 public:
  CHeldFolders() = default;
  ~CHeldFolders() {
    for (HANDLE folder : m_folders) ::CloseHandle(folder);
  }
  CHeldFolders(const CHeldFolders&) = delete;
  CHeldFolders& operator=(const CHeldFolders&) = delete;

  bool OpenChecked(const std::string& path) {
    const HANDLE folder =
        ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return false;
    m_folders.push_back(folder);
    return IsItself(folder, path, true);
  }

 private:
  std::vector<HANDLE> m_folders;
};

// The record for appending, checked; INVALID_HANDLE_VALUE when it cannot be had. Made only where
// nothing has the name: never through a link left there (Wine follows even one that leads nowhere).
HANDLE OpenLog(const std::string& path) {
  // Others may read it while a run lasts (support can look at a run that hangs), a copy of the
  // program on another port writes its own lines to it, and either may rotate it (DELETE).
  constexpr DWORD ACCESS = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | DELETE;
  constexpr DWORD SHARE = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  constexpr DWORD FLAGS = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE file = ::CreateFileA(path.c_str(), ACCESS, SHARE, nullptr, OPEN_EXISTING, FLAGS, nullptr);
  if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
    file = ::CreateFileA(path.c_str(), ACCESS, SHARE, nullptr, CREATE_NEW, FLAGS, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE || IsItself(file, path, false)) return file;
  ::CloseHandle(file);
  return INVALID_HANDLE_VALUE;
}

// Renames the checked file itself to `to`, over an older one there (a link there is replaced, not
// followed).
bool MoveAside(HANDLE file, const std::string& to) {
  struct {
    FILE_RENAME_INFO info;
    wchar_t name[MAX_PATH];
  } rename = {};
  const int length = ::MultiByteToWideChar(CP_ACP, 0, to.c_str(), -1, rename.info.FileName, MAX_PATH);
  if (length == 0) return false;
  rename.info.ReplaceIfExists = TRUE;
  rename.info.FileNameLength = static_cast<DWORD>((length - 1) * sizeof(wchar_t));
  return ::SetFileInformationByHandle(file, FileRenameInfo, &rename, sizeof rename);
}
}  // namespace

void CRunRecord::Open(const char* port) {
  Close();
  m_port = port;
  char base[MAX_PATH];
  const DWORD length = ::GetEnvironmentVariableA("LOCALAPPDATA", base, sizeof base);
  if (length == 0 || length >= sizeof base) return;
  if (!m_hLock) m_hLock = ::CreateMutexA(nullptr, FALSE, LOCK_NAME);
  const CRecordLock lock(m_hLock);  // no other copy makes or moves the file meanwhile
  // Each folder, made if missing, is checked before anything is made in it, and stays open, so
  // in place, until the file is open.
  CHeldFolders held;
  std::string folder = base;
  for (const char* name : {"", "\\Haldren", "\\ZK-4100 Update"}) {
    folder += name;
    if (*name) ::CreateDirectoryA(folder.c_str(), nullptr);
    if (!held.OpenChecked(folder)) return;  // no record
  }
  const std::string log = folder + "\\update.log";
  m_hFile = OpenLog(log);
  LARGE_INTEGER size;
  if (m_hFile != INVALID_HANDLE_VALUE && ::GetFileSizeEx(m_hFile, &size) &&
      static_cast<ULONGLONG>(size.QuadPart) >= ROTATE_AT && MoveAside(m_hFile, folder + "\\update.old.log")) {
    Close();
    m_hFile = OpenLog(log);
  }
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
