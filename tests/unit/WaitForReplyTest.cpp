// WaitForReply with the real dialog (hidden) and its real window timer.
#include "HostedDialog.h"

namespace {
using Bytes = std::vector<unsigned char>;
constexpr DWORD kTimeout = 150;

class WaitForReplyTest : public HostedDialog {
 protected:
  void SetUp() override {
    g_byReadIndex = 0;
    g_byWriteIndex = 0;
    dialog->m_bAbort = 0;
  }
  void TearDown() override {
    HostedDialog::TearDown();
    dialog->KillTimer(REPLY_TIMER);
  }
};

struct ReplyCase {
  const char* name;
  Bytes inRing;  // already received when the wait begins
  int abortBefore;
  int result;
  int timedOut;  // 0: decided at once; 1: only when the time-out expired
};

class ReplyCases : public WaitForReplyTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyCases, DecidesOnTheExactReply) {
  const ReplyCase& c = GetParam();
  StoreReceived(c.inRing.data(), static_cast<DWORD>(c.inRing.size()));
  dialog->m_bAbort = c.abortBefore;
  const unsigned char ack = 0x06;
  EXPECT_EQ(dialog->WaitForReply(kTimeout, &ack, 1), c.result);
  EXPECT_EQ(dialog->m_bTimedOut, c.timedOut);
  EXPECT_FALSE(RingHasUnread());
}

INSTANTIATE_TEST_SUITE_P(WaitForReply, ReplyCases,
                         ::testing::Values(ReplyCase{"RightByte", {0x06}, 0, 1, 0},
                                           ReplyCase{"WrongByteAtOnce", {0x15}, 0, 0, 0},
                                           ReplyCase{"LeftOverByteStartsTheReply", {0x11}, 0, 0, 0},
                                           ReplyCase{"TwoBytesOnlyAtTimeOut", {0x06, 0x06}, 0, 0, 1},
                                           ReplyCase{"SilenceTimesOut", {}, 0, 0, 1},
                                           ReplyCase{"AbortAlreadySet", {}, 1, 0, 0},
                                           ReplyCase{"AbortSetButReplyComplete", {0x06}, 1, 1, 0}),
                         [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST_F(WaitForReplyTest, AFloodIsCountedWithoutOverrunningTheReplyBuffer) {
  // Without the bound the surplus would run over the stack and the stack check abort the test.
  // The flood has begun before the wait: a first look at one byte would take it as the reply.
  const unsigned char ack = 0x11;
  const std::string begun(200, '\x11');
  StoreReceived(reinterpret_cast<const unsigned char*>(begun.data()), static_cast<DWORD>(begun.size()));
  EXPECT_EQ(
      WhileArriving(Pieces(10, {std::string(100, '\x11'), 2}), [&] { return dialog->WaitForReply(300, &ack, 1); }), 0);
  EXPECT_EQ(dialog->m_bTimedOut, 1);
}

TEST_F(WaitForReplyTest, AReplyThatCameWhileABoxWasOpenIsTaken) {
  // The reply comes a third of the time-out in; the box stays open three time-outs long.
  ReadABoxDuringTheWait(3 * kTimeout);
  const unsigned char ack = 0x06;
  EXPECT_EQ(WhileArriving({{"\x06", kTimeout / 3}}, [&] { return dialog->WaitForReply(kTimeout, &ack, 1); }), 1);
  EXPECT_EQ(boxes->Take().size(), 1u);  // the box read meanwhile
}
}  // namespace
