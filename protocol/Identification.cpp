// Normal-mode identification: ";;;TY;" must be answered "TY" with '0' at position 4.
#include "serial/SerialLink.h"
#include "ui/Texts.h"
#include "ui/UpdateDialog.h"

namespace {
constexpr UINT IDENTIFY_TIMEOUT = 200;  // ms after the query or after the last "?;"
constexpr unsigned char QUERY[] = {';', ';', ';', 'T', 'Y', ';'};
}  // namespace

int CUpdateDialog::IdentifyRadio() {
  unsigned char reply[RING_SIZE] = {};
  DWORD length = 0;  // bytes of the reply being put together
  if (SendBytes(QUERY, sizeof QUERY) != 1) return 0;
  ArmReplyTimer(IDENTIFY_TIMEOUT);
  for (;;) {
    // A reply may reach the ring in pieces; it is judged only once its ';' is in.
    length += ReadUntilSemicolon(reply + length, sizeof reply - length);
    if (length > 0 && reply[length - 1] == ';') {
      if (reply[0] == 'T' && reply[1] == 'Y') {
        KillTimer(REPLY_TIMER);
        if (length > 4 && reply[4] == '0') return 1;
        MessageBox(Texts::DetectionFailed, Texts::Caption, MB_ICONEXCLAMATION);
        return 0;
      }
      if (reply[0] == '?' && reply[1] == ';') {
        SetTimer(REPLY_TIMER, IDENTIFY_TIMEOUT);  // busy: a full wait begins afresh
      }
      length = 0;  // any other reply is passed over
    } else if (length == sizeof reply) {
      length = 0;  // a buffer's worth without ';' is no reply
    }
    PumpOneMessage();
    ::Sleep(1);
    if (m_bTimedOut) {
      KillTimer(REPLY_TIMER);
      MessageBox(Texts::DetectionFailed, Texts::Caption, MB_ICONEXCLAMATION);
      return 0;
    }
  }
}
