// Judging the identification reply, fed into the ring as the reader would feed
// it, in timed pieces. The query goes to the NUL device.
#include "HostedDialog.h"

namespace {
struct IdentifyCase {
  const char* name;
  Pieces pieces;
  int result;
  UINT boxOpenMs = 0;  // a box the operator reads meanwhile
};

class IdentifyTest : public HostedDialog, public ::testing::WithParamInterface<IdentifyCase> {
 protected:
  void SetUp() override {
    g_hPort = ::CreateFileA("NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    g_byReadIndex = 0;
    g_byWriteIndex = 0;
  }
  void TearDown() override {
    HostedDialog::TearDown();
    ::CloseHandle(g_hPort);
    g_hPort = nullptr;
  }
};

TEST_P(IdentifyTest, JudgesTheWholeReply) {
  const IdentifyCase& c = GetParam();
  if (c.boxOpenMs) ReadABoxDuringTheWait(c.boxOpenMs);
  EXPECT_EQ(WhileArriving(c.pieces, [] { return dialog->IdentifyRadio(); }), c.result);
  std::vector<SeenBox> seen = boxes->Take();
  if (c.boxOpenMs) {
    ASSERT_FALSE(seen.empty());  // the box read meanwhile, first
    seen.erase(seen.begin());
  }
  if (c.result == 1) {
    EXPECT_TRUE(seen.empty());
  } else {
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Could not detect the ZK-4100.");
    EXPECT_EQ(seen[0].caption, "ZK-4100 Update");
    EXPECT_EQ(seen[0].icon, "exclamation");
  }
}

TEST_F(IdentifyTest, GivesUpAbout200msAfterTheQuery) {
  const ULONGLONG started = ::GetTickCount64();
  EXPECT_EQ(dialog->IdentifyRadio(), 0);
  const ULONGLONG elapsed = ::GetTickCount64() - started;
  EXPECT_TRUE(elapsed >= 180 && elapsed <= 600) << elapsed;  // nor a slow radio failed, nor the operator kept waiting
  EXPECT_EQ(boxes->Take().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    IdentifyRadio, IdentifyTest,
    ::testing::Values(
        IdentifyCase{"Accepted", {{"TY120;", 0}}, 1}, IdentifyCase{"AcceptedInPieces", {{"TY1", 0}, {"20;", 5}}, 1},
        IdentifyCase{"AcceptedByteByByte", {{"T", 0}, {"Y", 5}, {"1", 5}, {"2", 5}, {"0", 5}, {";", 5}}, 1},
        // Each "?;" gives another 200 ms: 50 ms apart they carry the wait well past one time-out.
        IdentifyCase{"BusyRepliesExtendTheWait",
                     {{"?;", 0}, {"?;", 50}, {"?;", 50}, {"?;", 50}, {"?;", 50}, {"?;", 50}, {"TY120;", 50}},
                     1},
        IdentifyCase{"OtherRepliesArePassedOver", {{"FA00014250000;", 0}, {"TY120;", 50}}, 1},
        // Stray bytes before the reply, in the same arrival or before it.
        IdentifyCase{"StrayBytesInTheSameArrival", {{std::string("x\0T?TY120;", 10), 0}}, 1},
        IdentifyCase{"StrayNulBefore", {{std::string(1, '\0'), 0}, {"TY120;", 20}}, 1},
        IdentifyCase{"LoneTBefore", {{"T", 0}, {"TY120;", 20}}, 1},
        IdentifyCase{"LoneQuestionMarkBefore", {{"?", 0}, {"TY120;", 20}}, 1},
        IdentifyCase{"RefusedAtPositionFour", {{"TY121;", 0}, {"TY120;", 20}}, 0},
        IdentifyCase{"TooShortToHaveAPositionFour", {{"TY;", 0}}, 0}, IdentifyCase{"Silence", {}, 0},
        IdentifyCase{"OtherRepliesDoNotExtend", {{"XX;", 50}, {"XX;", 50}, {"TY120;", 300}}, 0},
        IdentifyCase{"BusyThenSilence", {{"?;", 0}, {"?;", 100}}, 0},
        // The reply comes in time while a box is open; the time-out fires in the box's loop.
        IdentifyCase{"AcceptedWhileABoxWasOpen", {{"TY120;", 60}}, 1, 500},
        IdentifyCase{"AcceptedBehindAnotherReplyWhileABoxWasOpen", {{"XX;TY120;", 60}}, 1, 500}),
    [](const ::testing::TestParamInfo<IdentifyCase>& info) { return std::string(info.param.name); });
}  // namespace
