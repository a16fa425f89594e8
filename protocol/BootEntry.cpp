// Boot-mode entry: bit-rate matching with bursts of 0x00, then 0x55 -> 0xAA.
#include "serial/SerialLink.h"
#include "ui/UpdateDialog.h"

namespace {
constexpr UINT BOOT_REPLY_TIMEOUT = 200;  // ms
constexpr int BURST_TRIES = 5;
constexpr DWORD BURST_SIZE = 10;
}  // namespace

DWORD CUpdateDialog::AwaitBootReply(unsigned char* reply) {
  ArmReplyTimer(BOOT_REPLY_TIMEOUT);
  // Sleeps before it pumps, unlike the block waits: the order of the boot-mode handshake.
  for (;;) {
    // A time-out noticed after the pump gets one more look (see WaitForReply).
    const bool lastLook = m_bTimedOut != 0;
    // The first bytes seen are the answer: two that arrive together are a wrong answer, not a late one.
    if (RingHasUnread()) return DrainRing(reply, RING_SIZE);
    if (lastLook) return 0;
    ::Sleep(1);
    PumpOneMessage();
  }
}

int CUpdateDialog::EnterBootMode() {
  unsigned char transmit[BURST_SIZE] = {};
  // 0xFF first, so that tries without any answer never pass the test for 0x00.
  unsigned char reply[RING_SIZE] = {0xFF};
  for (int attempt = 0; attempt < BURST_TRIES && reply[0] != 0x00; ++attempt) {
    if (SendBytes(transmit, BURST_SIZE) != 1) return 0;
    const DWORD count = AwaitBootReply(reply);
    if (count != 0 && (count != 1 || reply[0] != 0x00)) return 0;  // no further burst
  }
  if (reply[0] != 0x00) return 0;

  transmit[0] = 0x55;
  if (SendBytes(transmit, 1) != 1) return 0;
  const DWORD count = AwaitBootReply(reply);
  return count == 1 && reply[0] == 0xAA ? 1 : 0;
}
