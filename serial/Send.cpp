// Writing to the port.
#include "serial/SerialLink.h"
#include "ui/Texts.h"
#include "ui/UpdateDialog.h"

OVERLAPPED g_ovWrite;

int CUpdateDialog::SendBytes(const unsigned char* data, DWORD count) {
  g_ovWrite.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!g_ovWrite.hEvent) {
    m_record.Write("writing %lu bytes: no event for the write (error %lu)", count, ::GetLastError());
    return 0;
  }

  int result = 0;
  DWORD written = 0;
  // The handle is synchronous: the call returns once the driver has taken the bytes.
  if (::WriteFile(g_hPort, data, count, &written, &g_ovWrite)) {
    result = written == count ? 1 : 0;
    if (result == 0) {
      // What a stalled line gives once the write time-out has passed: the operator is told so.
      m_record.Write("writing %lu bytes: the port took %lu", count, written);
      ShowSystemError(ERROR_TIMEOUT);
    }
  } else {
    ShowSystemError(::GetLastError());
  }
  ::CloseHandle(g_ovWrite.hEvent);
  g_ovWrite.hEvent = nullptr;
  return result;
}

void CUpdateDialog::ShowSystemError(DWORD code) {
  const CString message = SystemText(code);
  m_record.Write("writing to the port failed: %s", static_cast<const char*>(message));
  MessageBox(message, Texts::Caption, MB_OK | MB_ICONEXCLAMATION);
}
