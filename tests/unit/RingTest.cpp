// The receive ring and its readers, fed as the reader thread feeds it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/SerialLink.h"
#include "ui/UpdateDialog.h"

namespace {
class RingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_byReadIndex = 0;
    g_byWriteIndex = 0;
  }
  static void Store(const std::string& bytes) {
    StoreReceived(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  }
  CUpdateDialog dialog;  // the ring's readers are its members; no window is needed
};

std::vector<unsigned char> Sequence(int count) {
  std::vector<unsigned char> bytes(count);
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
  return bytes;
}

TEST_F(RingTest, UnreadBytesUpTo255AreDeliveredInOrderAnd256LookEmpty) {
  for (int count : {1, 254, 255, 256}) {
    g_byReadIndex = g_byWriteIndex = 250;  // near the end: the bytes go on at position 0
    const std::vector<unsigned char> sent = Sequence(count);
    StoreReceived(sent.data(), count);
    if (count == 256) {
      EXPECT_FALSE(RingHasUnread());  // the count is modulo 256
      continue;
    }
    ASSERT_TRUE(RingHasUnread());
    unsigned char got[RING_SIZE];
    ASSERT_EQ(dialog.DrainRing(got, sizeof got), static_cast<DWORD>(count));
    EXPECT_EQ(std::vector<unsigned char>(got, got + count), sent) << count;
    EXPECT_FALSE(RingHasUnread());
  }
}

TEST_F(RingTest, DrainTakesEverythingButStoresOnlyWhatFits) {
  const std::vector<unsigned char> sent = Sequence(200);
  StoreReceived(sent.data(), 200);
  unsigned char got[64];
  std::fill(got, got + sizeof got, 0xEE);
  EXPECT_EQ(dialog.DrainRing(got, 50), 200u);
  EXPECT_EQ(std::vector<unsigned char>(got, got + 50), std::vector<unsigned char>(sent.begin(), sent.begin() + 50));
  EXPECT_EQ(got[50], 0xEE);
  EXPECT_FALSE(RingHasUnread());
}

TEST_F(RingTest, ReadUntilSemicolonCopiesOneReplyAtATime) {
  unsigned char buffer[RING_SIZE];
  std::fill(buffer, buffer + sizeof buffer, 'x');
  const auto Read = [&](DWORD capacity) { return dialog.ReadUntilSemicolon(buffer, capacity); };
  Store("AB;CD;");
  EXPECT_EQ(Read(sizeof buffer), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "AB;x");
  EXPECT_EQ(Read(sizeof buffer), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "CD;x");
  EXPECT_EQ(Read(sizeof buffer), 0u);  // empty ring: the destination stays as it was
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "CD;x");
  Store("EF");
  EXPECT_EQ(Read(sizeof buffer), 2u);  // no ';': everything there is, then stop
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "EF;x");
  Store("GHIJ;");
  EXPECT_EQ(Read(3), 3u);  // never past the destination; the rest stays unread
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "GHIx");
  EXPECT_EQ(Read(sizeof buffer), 2u);
  EXPECT_FALSE(RingHasUnread());
}
}  // namespace
