// Waiting for the radio: the reply timer, the one-message pump, exact replies,
// and the two handlers that end a wait early or late.
#include <cstring>

#include "serial/SerialLink.h"
#include "ui/UpdateDialog.h"

void CUpdateDialog::ArmReplyTimer(UINT interval) {
  m_lastWait.timeout = interval;  // the record names it when the wait runs out
  KillTimer(REPLY_TIMER);
  m_bTimedOut = 0;
  SetTimer(REPLY_TIMER, interval);
}

void CUpdateDialog::PumpOneMessage() {
  MSG message;
  if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
  if (::IsDialogMessageA(m_hWnd, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

int CUpdateDialog::WaitForReply(DWORD timeout, const unsigned char* expected, DWORD count) {
  unsigned char reply[RING_SIZE];
  DWORD received = 0;
  ArmReplyTimer(timeout);
  for (;;) {
    // The timer may have fired inside a modal loop that the last pump entered (a message
    // box, a drag of the caption) while the reply came in time: it gets one more look.
    const bool lastLook = m_bTimedOut != 0;
    if (RingHasUnread()) {
      const DWORD stored = received < sizeof reply ? received : sizeof reply;
      received += DrainRing(reply + stored, sizeof reply - stored);
      // Judged only when the count is met exactly; a surplus can only time out.
      if (received == count) {
        const int exact = count <= sizeof reply && std::memcmp(reply, expected, count) == 0 ? 1 : 0;
        return EndWait(exact, WaitSeen::Judged, reply, received);
      }
    }
    if (lastLook) return EndWait(0, WaitSeen::TimedOut, reply, received);
    PumpOneMessage();
    if (m_bAbort) return EndWait(0, WaitSeen::Cancelled, reply, received);
    ::Sleep(1);
  }
}

int CUpdateDialog::EndWait(int result, WaitSeen::End end, const unsigned char* received, DWORD count) {
  m_lastWait.end = end;
  m_lastWait.count = count;
  std::memcpy(m_lastWait.first, received, count < WaitSeen::KEPT ? count : WaitSeen::KEPT);
  return result;
}

void CUpdateDialog::OnTimer(UINT_PTR id) {
  if (id == REPLY_TIMER) m_bTimedOut = 1;
}

void CUpdateDialog::OnAbort() {
  m_bAbort = 1;
  m_record.Write("Cancel pressed");  // when the operator asked, beside where a stage noticed it
}
