// Loader transfer: the write control program byte by byte, each answered, then
// the erase result. The stage reads the port itself while the reader is stopped.
#include <windows.h>

#include <commctrl.h>

#include "framework/WinApp.h"
#include "protocol/Payload.h"
#include "serial/SerialLink.h"
#include "ui/Texts.h"
#include "ui/UpdateDialog.h"
#include "ui/resource.h"

namespace {
constexpr UINT LOADER_REPLY_TIMEOUT = 1000;  // ms, for each answer and for the erase result
constexpr unsigned char ERASED = 0xAA;

constexpr const char* STAGE = "loader transfer";

OVERLAPPED g_ovDirectRead;  // passed with every direct read; never set

CString ProgramByte(DWORD index) {
  CString text;
  text.Format("byte %lu of %lu", static_cast<unsigned long>(index + 1),
              static_cast<unsigned long>(WRITE_CONTROL_PROGRAM_SIZE));
  return text;
}

DWORD QueuedBytes() {
  DWORD errors = 0;
  COMSTAT status = {};
  return ::ClearCommError(g_hPort, &errors, &status) ? status.cbInQue : 0;
}
}  // namespace

int CUpdateDialog::AwaitDirectReply(DirectReply& reply) {
  ArmReplyTimer(LOADER_REPLY_TIMEOUT);
  // Pumps first and asks the driver itself: the reader is stopped during this stage.
  DWORD queued = 0;
  while (queued == 0) {
    PumpOneMessage();
    ::Sleep(1);
    // A time-out noticed after the pump still takes an answer that is already queued.
    const bool lastLook = m_bTimedOut != 0;
    if (m_bAbort) return EndWait(0, WaitSeen::Cancelled, reply.buffer, 0);
    queued = QueuedBytes();
    if (queued == 0 && lastLook) return EndWait(0, WaitSeen::TimedOut, reply.buffer, 0);
  }
  // Whatever is queued is read, 256 bytes at the most per read: a longer answer
  // is counted, and the buffer keeps the part that ends it.
  reply.count = 0;
  reply.stored = 0;
  for (DWORD left = queued; left > 0;) {
    const DWORD wanted = left < sizeof reply.buffer ? left : sizeof reply.buffer;
    DWORD read = 0;
    ::ReadFile(g_hPort, reply.buffer, wanted, &read, &g_ovDirectRead);
    reply.count += read;
    if (read > 0) reply.stored = read;  // an empty follow-up read keeps the bytes already in
    if (read < wanted) break;
    left -= read;
  }
  if (reply.count != queued) {
    m_record.Write("%s: %lu bytes queued, the reads gave %lu (last read: %s); message \"%s\"", STAGE, queued,
                   reply.count, static_cast<const char*>(Escaped(reply.buffer, reply.stored, sizeof reply.buffer)),
                   Texts::ReadMismatch);
    MessageBox(Texts::ReadMismatch, AfxGetApp()->m_strAppName, MB_OK);
  }
  return EndWait(1, WaitSeen::Judged, reply.buffer, reply.stored);
}

int CUpdateDialog::LoadWriteControlProgram() {
  CWnd progress = GetDlgItem(IDC_PROGRESS);
  progress.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  m_strStatus = Texts::LoadingProgram;
  UpdateData(FALSE);
  StopReader();  // joined: no answer of this stage can end up in the ring

  DirectReply reply;
  const unsigned char* program = FirmwarePayload::WriteControlProgram;
  for (DWORD i = 0; i < WRITE_CONTROL_PROGRAM_SIZE; ++i) {
    if (SendBytes(program + i, 1) != 1) return StageFailed(STAGE, ProgramByte(i), SEND_FAILED);
    ShowPercent(i * 100 / WRITE_CONTROL_PROGRAM_SIZE + 1);
    PumpOneMessage();
    if (m_bAbort) return StageFailed(STAGE, ProgramByte(i), "Cancel pressed");
    // Any answer answers the byte.
    if (AwaitDirectReply(reply) != 1) return StageFailed(STAGE, ProgramByte(i), DescribeWait(nullptr, 0, m_lastWait));
  }

  m_strStatus = Texts::DeletingOldFirmware;
  UpdateData(FALSE);
  progress.SendMessage(PBM_SETPOS, 100);
  const ULONGLONG erasing = ::GetTickCount64();  // for the record only
  // Two bytes at once: the last byte's answer and the erase result together.
  if ((reply.count != 2 && AwaitDirectReply(reply) != 1) || reply.stored == 0 ||
      reply.buffer[reply.stored - 1] != ERASED) {
    return StageFailed(STAGE, "the erase result", DescribeWait(&ERASED, 1, m_lastWait));
  }
  m_record.Write("write control program loaded: %lu bytes answered, erase result \\xAA %lu ms after the last answer",
                 static_cast<unsigned long>(WRITE_CONTROL_PROGRAM_SIZE),
                 static_cast<unsigned long>(::GetTickCount64() - erasing));
  StartReader();
  return 1;
}
