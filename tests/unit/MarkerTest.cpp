// The registry marker under HKEY_LOCAL_MACHINE: read, write, and a key that is missing.
#include <gtest/gtest.h>

#include <vector>

#include "update/Marker.h"

namespace {
class MarkerTest : public ::testing::Test {
 protected:
  void SetUp() override { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, MARKER_KEY); }
  void TearDown() override { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, MARKER_KEY); }

  static void CreateKey(DWORD type, std::vector<BYTE> data) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, MARKER_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (!data.empty()) {
      ::RegSetValueExA(key, MARKER_VALUE, 0, type, data.data(), static_cast<DWORD>(data.size()));
    }
    ::RegCloseKey(key);
  }
};

std::vector<BYTE> Dword(DWORD value) { return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)}; }

TEST_F(MarkerTest, ReadTakesAFullDwordAndCountsAnyOtherValueAsNotIdentified) {
  // `before` is the variable as the read finds it: 3120 at the read-back after an identification.
  struct Case {
    bool key;
    DWORD type;
    std::vector<BYTE> data;
    DWORD before, after;
  } cases[] = {
      {false, 0, {}, 3120, 3120},                             // no key: the read-back keeps what is in memory
      {true, 0, {}, 3120, 3120},                              // no value: likewise
      {true, REG_DWORD, Dword(3120), 0, 3120},                // identified
      {true, REG_DWORD, Dword(77), 3120, 77},                 // another number
      {true, REG_BINARY, {0x30, 0x0C}, 3120, 0},              // too short
      {true, REG_BINARY, {0x30, 0x0C, 0, 0, 0, 0}, 3120, 0},  // too long
      {true, REG_SZ, {'3', '1', '2', '0', 0}, 3120, 0}        // a string
  };
  for (const Case& c : cases) {
    SetUp();
    if (c.key) CreateKey(c.type, c.data);
    DWORD marker = c.before;
    ReadMarker(marker);
    EXPECT_EQ(marker, c.after) << "key " << c.key << " type " << c.type << " size " << c.data.size();
  }
}

TEST_F(MarkerTest, WriteStoresTheMarkerButNeverCreatesTheKey) {
  WriteMarker();
  HKEY key = nullptr;
  EXPECT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, MARKER_KEY, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  CreateKey(REG_DWORD, Dword(5));
  WriteMarker();
  DWORD marker = 0;
  ReadMarker(marker);
  EXPECT_EQ(marker, IDENTIFIED_MARKER);
}
}  // namespace
