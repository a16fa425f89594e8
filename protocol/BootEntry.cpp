// Boot-mode entry: bit-rate matching with bursts of 0x00, then 0x55 -> 0xAA.
#include "serial/SerialLink.h"
#include "ui/UpdateDialog.h"

namespace {
constexpr UINT BOOT_REPLY_TIMEOUT = 200;  // ms
constexpr int BURST_TRIES = 5;
constexpr DWORD BURST_SIZE = 10;
constexpr unsigned char SYNCED = 0x00;     // the answer to a burst
constexpr unsigned char CONFIRMED = 0xAA;  // the answer to 0x55
constexpr const char* STAGE = "boot mode entry";

CString Burst(int number) {
  CString text;
  text.Format("burst %d", number);
  return text;
}
}  // namespace

DWORD CUpdateDialog::AwaitBootReply(unsigned char* reply) {
  ArmReplyTimer(BOOT_REPLY_TIMEOUT);
  // Sleeps before it pumps, unlike the block waits: the order of the boot-mode handshake.
  for (;;) {
    // A time-out noticed after the pump gets one more look (see WaitForReply).
    const bool lastLook = m_bTimedOut != 0;
    // The first bytes seen are the answer: two that arrive together are a wrong answer, not a late one.
    if (RingHasUnread()) {
      const DWORD count = DrainRing(reply, RING_SIZE);
      EndWait(1, WaitSeen::Judged, reply, count);
      return count;
    }
    if (lastLook) return EndWait(0, WaitSeen::TimedOut, reply, 0);
    ::Sleep(1);
    PumpOneMessage();
  }
}

int CUpdateDialog::EnterBootMode() {
  unsigned char transmit[BURST_SIZE] = {};
  // 0xFF first, so that tries without any answer never pass the test for 0x00.
  unsigned char reply[RING_SIZE] = {0xFF};
  int bursts = 0;  // sent
  for (; bursts < BURST_TRIES && reply[0] != SYNCED; ++bursts) {
    if (SendBytes(transmit, BURST_SIZE) != 1) return StageFailed(STAGE, Burst(bursts + 1), SEND_FAILED);
    const DWORD count = AwaitBootReply(reply);
    if (count != 0 && (count != 1 || reply[0] != SYNCED)) {  // no further burst
      return StageFailed(STAGE, Burst(bursts + 1), DescribeWait(&SYNCED, 1, m_lastWait));
    }
  }
  if (reply[0] != SYNCED) return StageFailed(STAGE, Burst(bursts), DescribeWait(&SYNCED, 1, m_lastWait));

  CString confirming;
  confirming.Format("\\x55 after burst %d", bursts);
  transmit[0] = 0x55;
  if (SendBytes(transmit, 1) != 1) return StageFailed(STAGE, confirming, SEND_FAILED);
  const DWORD count = AwaitBootReply(reply);
  if (count != 1 || reply[0] != CONFIRMED)
    return StageFailed(STAGE, confirming, DescribeWait(&CONFIRMED, 1, m_lastWait));
  m_record.Write("boot mode entered: burst %d answered \\x00, \\x55 answered \\xAA", bursts);
  return 1;
}
