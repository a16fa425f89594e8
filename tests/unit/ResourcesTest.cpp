// The resources an operator meets outside the window: the icon images and the version
// block that Windows shows in the file's properties. (The live window's texts and states
// are checked end to end.)
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ui/resource.h"

namespace {
TEST(Resources, IconHasA32And16PixelImageOf16Colours) {
#pragma pack(push, 2)
  struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
#pragma pack(pop)
  HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDI_APP), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
  ASSERT_NE(found, nullptr);
  const auto* header = static_cast<const WORD*>(::LockResource(::LoadResource(nullptr, found)));
  ASSERT_EQ(header[2], 2);  // image count
  const auto* entries = reinterpret_cast<const GroupEntry*>(header + 3);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(std::vector<int>({entries[i].width, entries[i].height, entries[i].colours, entries[i].bitCount}),
              std::vector<int>({32 >> i, 32 >> i, 16, 4}));
  }
}

TEST(Resources, VersionBlock) {
  char path[MAX_PATH];
  ::GetModuleFileNameA(nullptr, path, sizeof path);
  std::vector<BYTE> data(::GetFileVersionInfoSizeA(path, nullptr));
  ASSERT_FALSE(data.empty());
  ASSERT_TRUE(::GetFileVersionInfoA(path, 0, static_cast<DWORD>(data.size()), data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(std::vector<DWORD>(
                {fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS, fixed->dwProductVersionLS}),
            std::vector<DWORD>({0x00010000, 0x00000007, 0x00010000, 0x00000007}));
  EXPECT_EQ(std::vector<DWORD>(
                {fixed->dwFileFlagsMask, fixed->dwFileFlags, fixed->dwFileOS, fixed->dwFileType, fixed->dwFileSubtype}),
            std::vector<DWORD>({0x3F, 0, VOS__WINDOWS32, VFT_APP, 0}));
  WORD* translation = nullptr;
  ASSERT_TRUE(
      ::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(std::vector<WORD>({translation[0], translation[1]}), std::vector<WORD>({0x0409, 0x04B0}));
  std::string strings;
  for (const char* name : {"Comments", "FileDescription", "FileVersion", "InternalName", "LegalTrademarks",
                           "PrivateBuild", "ProductName", "ProductVersion", "SpecialBuild"}) {
    char* text = nullptr;
    const std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
    ASSERT_TRUE(::VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) << name;
    strings += std::string(name) + "=" + text + ";";
  }
  EXPECT_EQ(
      strings,
      "Comments=;FileDescription=ZK-4100 Update;FileVersion=1, 0, 4, 0;InternalName=ZK4100_UPDATE;"
      "LegalTrademarks=;PrivateBuild=;ProductName=HALDREN ZK-4100 Update;ProductVersion=1, 0, 4, 0;SpecialBuild=;");
}
}  // namespace
