// A failing write shows the system's text for its error.
#include "HostedDialog.h"
#include "serial/SerialLink.h"

namespace {
using SendBytesTest = HostedDialog;

TEST_F(SendBytesTest, AFailingWriteShowsTheSystemsTextAndGivesZero) {
  HANDLE saved = g_hPort;
  g_hPort = INVALID_HANDLE_VALUE;
  const unsigned char byte = 0x55;
  EXPECT_EQ(dialog->SendBytes(&byte, 1), 0);
  g_hPort = saved;
  const std::vector<SeenBox> seen = boxes->Take();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, "ZK-4100 Update");
  EXPECT_EQ(seen[0].icon, "exclamation");
  char expected[256] = "";
  ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_INVALID_HANDLE, 0,
                   expected, sizeof expected, nullptr);
  EXPECT_EQ(seen[0].text, expected);
}

}  // namespace
