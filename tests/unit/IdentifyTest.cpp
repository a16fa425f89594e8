// Judging the identification reply, fed into the ring as the reader would feed
// it, in timed pieces. The query goes to the NUL device.
#include <process.h>

#include <string>
#include <utility>
#include <vector>

#include "HostedDialog.h"
#include "serial/SerialLink.h"

namespace {
using Pieces = std::vector<std::pair<std::string, DWORD>>;  // text, delay before it in ms

unsigned __stdcall Arrive(void* param) {
  for (const auto& [text, delay] : *static_cast<Pieces*>(param)) {
    ::Sleep(delay);
    StoreReceived(reinterpret_cast<const unsigned char*>(text.data()), static_cast<DWORD>(text.size()));
  }
  return 0;
}

struct IdentifyCase {
  const char* name;
  Pieces pieces;
  int result;
};

class IdentifyTest : public HostedDialog, public ::testing::WithParamInterface<IdentifyCase> {
 protected:
  void SetUp() override {
    g_hPort = ::CreateFileA("NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    g_byReadIndex = 0;
    g_byWriteIndex = 0;
  }
  void TearDown() override {
    ::CloseHandle(g_hPort);
    g_hPort = nullptr;
  }
};

TEST_P(IdentifyTest, JudgesTheWholeReply) {
  const IdentifyCase& c = GetParam();
  Pieces pieces = c.pieces;
  HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Arrive, &pieces, 0, nullptr));
  EXPECT_EQ(dialog->IdentifyRadio(), c.result);
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  const std::vector<SeenBox> seen = boxes->Take();
  if (c.result == 1) {
    EXPECT_TRUE(seen.empty());
  } else {
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Could not detect the ZK-4100.");
    EXPECT_EQ(seen[0].caption, "ZK-4100 Update");
    EXPECT_EQ(seen[0].icon, "exclamation");
  }
}

INSTANTIATE_TEST_SUITE_P(
    IdentifyRadio, IdentifyTest,
    ::testing::Values(
        IdentifyCase{"Accepted", {{"TY120;", 0}}, 1}, IdentifyCase{"AcceptedInPieces", {{"TY1", 0}, {"20;", 5}}, 1},
        IdentifyCase{"AcceptedByteByByte", {{"T", 0}, {"Y", 5}, {"1", 5}, {"2", 5}, {"0", 5}, {";", 5}}, 1},
        IdentifyCase{"BusyRepliesExtendTheWait", {{"?;", 0}, {"?;", 150}, {"?;", 150}, {"TY120;", 150}}, 1},
        IdentifyCase{"OtherRepliesArePassedOver", {{"FA00014250000;", 0}, {"TY120;", 50}}, 1},
        IdentifyCase{"RefusedAtPositionFour", {{"TY121;", 0}, {"TY120;", 20}}, 0},
        IdentifyCase{"TooShortToHaveAPositionFour", {{"TY;", 0}}, 0}, IdentifyCase{"Silence", {}, 0},
        IdentifyCase{"OtherRepliesDoNotExtend", {{"XX;", 100}, {"XX;", 80}, {"TY120;", 120}}, 0},
        IdentifyCase{"BusyThenSilence", {{"?;", 0}, {"?;", 150}}, 0}),
    [](const ::testing::TestParamInfo<IdentifyCase>& info) { return std::string(info.param.name); });
}  // namespace
