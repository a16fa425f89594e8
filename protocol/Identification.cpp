// Normal-mode identification: ";;;TY;" must be answered "TY" with '0' at position 4.
#include <cstring>

#include "serial/SerialLink.h"
#include "ui/Texts.h"
#include "ui/UpdateDialog.h"

namespace {
constexpr UINT IDENTIFY_TIMEOUT = 200;  // ms after the query or after the last "?;"
constexpr unsigned char QUERY[] = {';', ';', ';', 'T', 'Y', ';'};

// Whether the bytes gathered so far can still begin a reply that is judged: "TY...;" or "?;".
bool CanBeginReply(const unsigned char* fragment, DWORD length) {
  if (length < 2) return length == 0 || fragment[0] == 'T' || fragment[0] == '?';
  return (fragment[0] == 'T' && fragment[1] == 'Y') || (fragment[0] == '?' && fragment[1] == ';');
}
}  // namespace

int CUpdateDialog::IdentifyRadio() {
  unsigned char reply[RING_SIZE] = {};
  DWORD length = 0;  // bytes of the reply being put together
  int busy = 0;      // "?;" replies
  if (SendBytes(QUERY, sizeof QUERY) != 1) return StageFailed("identification", "the query", SEND_FAILED);
  ArmReplyTimer(IDENTIFY_TIMEOUT);
  // Unlike the writing stages' waits this one never looks at m_bAbort: a Cancel pressed now
  // takes effect in the loader.
  for (;;) {
    // A time-out noticed after the pump gets one more look (see WaitForReply).
    bool lastLook = m_bTimedOut != 0;
    // A reply may reach the ring in pieces; it is judged only once its ';' is in.
    length += ReadUntilSemicolon(reply + length, sizeof reply - length);
    // Stray bytes before a reply (a glitch at power-on, a byte an adapter held) are dropped,
    // so that the reply behind them is judged on its own.
    DWORD stray = 0;
    while (!CanBeginReply(reply + stray, length - stray)) ++stray;
    std::memmove(reply, reply + stray, length - stray);
    length -= stray;
    if (length > 0 && reply[length - 1] == ';') {
      if (reply[0] == 'T') {
        KillTimer(REPLY_TIMER);
        const bool accepted = length > 4 && reply[4] == '0';
        m_record.Write("identification: reply %s %s, after %d busy replies",
                       static_cast<const char*>(Escaped(reply, length, sizeof reply)),
                       accepted ? "accepted" : "refused", busy);
        if (accepted) return 1;
        Tell(Texts::DetectionFailed, MB_ICONEXCLAMATION);
        return 0;
      }
      // "?;": busy, a full wait begins afresh, also when this was the last look.
      ++busy;
      SetTimer(REPLY_TIMER, IDENTIFY_TIMEOUT);
      m_bTimedOut = 0;
      lastLook = false;
      length = 0;
    } else if (length == sizeof reply) {
      length = 0;  // a buffer's worth without ';' is no reply
    }
    if (lastLook) {
      if (RingHasUnread()) continue;  // every reply that came in time is judged, not only the first
      KillTimer(REPLY_TIMER);
      m_record.Write("identification: no reply within %u ms, after %d busy replies%s%s", IDENTIFY_TIMEOUT, busy,
                     length ? "; incomplete: " : "", static_cast<const char*>(Escaped(reply, length, sizeof reply)));
      Tell(Texts::DetectionFailed, MB_ICONEXCLAMATION);
      return 0;
    }
    PumpOneMessage();
    ::Sleep(1);
  }
}
