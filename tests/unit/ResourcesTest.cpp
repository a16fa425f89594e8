// The resources as built: both dialog templates field by field, the string, the
// icon images and the version block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/String.h"
#include "framework/WinApp.h"
#include "ui/resource.h"

namespace {
struct Control {
  unsigned id;
  std::string cls, text;
  int x, y, cx, cy;
  DWORD style, exStyle, helpId;
  bool operator==(const Control& o) const {
    return id == o.id && cls == o.cls && text == o.text && x == o.x && y == o.y && cx == o.cx && cy == o.cy &&
           style == o.style && exStyle == o.exStyle && helpId == o.helpId;
  }
};

std::ostream& operator<<(std::ostream& out, const Control& c) {
  return out << c.id << " " << c.cls << " \"" << c.text << "\" " << c.x << "," << c.y << "," << c.cx << "," << c.cy
             << " style=" << std::hex << c.style << " ex=" << c.exStyle << std::dec << " help=" << c.helpId;
}

struct Template {
  bool extended = false;
  DWORD style = 0, exStyle = 0, helpId = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string menu, cls, title, face;
  int pointSize = 0, weight = 0, italic = 0, charset = 0;
  std::vector<Control> controls;
};

// Reads the variable-length fields of a dialog template.
class Reader {
 public:
  explicit Reader(const BYTE* p) : m_start(p), m_p(p) {}
  template <typename T>
  T Get() {
    T value;
    memcpy(&value, m_p, sizeof value);
    m_p += sizeof value;
    return value;
  }
  std::string Text() {
    std::string text;
    for (WORD c; (c = Get<WORD>()) != 0;) text += static_cast<char>(c);
    return text;
  }
  std::string TextOrOrdinal() {
    if (*reinterpret_cast<const WORD*>(m_p) != 0xFFFF) return Text();
    Get<WORD>();
    return "#" + std::to_string(Get<WORD>());
  }
  // Class names are case-insensitive and the predefined ones may be ordinals.
  std::string ClassName() {
    static const char* const predefined[] = {"button", "edit", "static", "listbox", "scrollbar", "combobox"};
    std::string name = TextOrOrdinal();
    if (name[0] == '#') {
      const int ordinal = std::stoi(name.substr(1));
      if (ordinal >= 0x80 && ordinal <= 0x85) return predefined[ordinal - 0x80];
    }
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return name;
  }
  void AlignDword() { m_p = m_start + ((m_p - m_start + 3) & ~3); }
  // Dialog and control headers keep their styles in this order, the extended form with a help id first.
  void Styles(bool extended, DWORD& helpId, DWORD& exStyle, DWORD& style) {
    if (extended) {
      helpId = Get<DWORD>();
      exStyle = Get<DWORD>();
      style = Get<DWORD>();
    } else {
      style = Get<DWORD>();
      exStyle = Get<DWORD>();
    }
  }

 private:
  const BYTE* m_start;
  const BYTE* m_p;
};

Template LoadTemplate(UINT id) {
  HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_DIALOG));
  const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, found)));
  Template t;
  t.extended = *reinterpret_cast<const DWORD*>(data) == 0xFFFF0001;  // dlgVer 1, signature 0xFFFF
  Reader r(data);
  if (t.extended) r.Get<DWORD>();
  r.Styles(t.extended, t.helpId, t.exStyle, t.style);
  const WORD count = r.Get<WORD>();
  t.x = r.Get<short>(), t.y = r.Get<short>(), t.cx = r.Get<short>(), t.cy = r.Get<short>();
  t.menu = r.TextOrOrdinal();
  t.cls = r.ClassName();
  t.title = r.Text();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.Get<WORD>();
    if (t.extended) {
      t.weight = r.Get<WORD>();
      t.italic = r.Get<BYTE>();
      t.charset = r.Get<BYTE>();
    }
    t.face = r.Text();
  }
  for (WORD i = 0; i < count; ++i) {
    r.AlignDword();
    Control c{};
    r.Styles(t.extended, c.helpId, c.exStyle, c.style);
    c.x = r.Get<short>(), c.y = r.Get<short>(), c.cx = r.Get<short>(), c.cy = r.Get<short>();
    c.id = t.extended ? r.Get<DWORD>() : r.Get<WORD>();
    c.cls = r.ClassName();
    c.text = r.TextOrOrdinal();
    const WORD extra = r.Get<WORD>();
    for (WORD b = 0; b < extra; ++b) r.Get<BYTE>();
    t.controls.push_back(c);
  }
  return t;
}

TEST(Resources, MainDialogTemplate) {
  const Template t = LoadTemplate(IDD_UPDATE);
  EXPECT_TRUE(t.extended);
  EXPECT_EQ(t.title, "Haldren ZK-4100 Update");
  EXPECT_EQ(t.style, 0x90CA00C0u);
  EXPECT_EQ(t.exStyle, 0x00040000u);
  EXPECT_EQ(t.helpId, 0u);
  EXPECT_EQ(std::vector<int>({t.x, t.y, t.cx, t.cy}), std::vector<int>({0, 0, 275, 106}));
  EXPECT_EQ(t.menu, "");
  EXPECT_EQ(t.cls, "");
  EXPECT_EQ(t.face, "MS Sans Serif");
  EXPECT_EQ(std::vector<int>({t.pointSize, t.weight, t.italic, t.charset}), std::vector<int>({8, 0, 0, 1}));
  const std::vector<Control> expected = {
      {1000, "button", "&OK", 210, 6, 50, 14, 0x50010001, 0, 0},
      {1001, "button", "&Cancel", 210, 32, 50, 14, 0x58010000, 0, 0},
      {57670, "button", "&Help", 210, 59, 50, 14, 0x50010000, 0, 0},
      {1002, "button", "&Exit", 210, 85, 50, 14, 0x50010000, 0, 0},
      {1007, "static", "Click Start button.", 23, 70, 167, 8, 0x50020201, 0, 0},
      {1003, "combobox", "", 105, 8, 59, 49, 0x50210103, 0, 0},
      {1005, "static", "Com Port:", 46, 8, 51, 15, 0x50020201, 0, 0},
      {1004, "msctls_progress32", "Progress1", 21, 46, 170, 17, 0x50800000, 0, 0},
      {1006, "static", "0 %", 91, 28, 29, 13, 0x58020201, 0, 0},
      {1009, "static", "CAUTION: Do not operate a keyboard and mouse while updating the firmware.", 22, 82, 167, 17,
       0x40020001, 0, 0},
  };
  ASSERT_EQ(t.controls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(t.controls[i], expected[i]) << "control " << i;
}

TEST(Resources, AboutDialogTemplate) {
  const Template t = LoadTemplate(IDD_ABOUT);
  EXPECT_FALSE(t.extended);
  EXPECT_EQ(t.title, "About Haldren ZK-4100 Update");
  EXPECT_EQ(t.style, 0x80C800C0u);
  EXPECT_EQ(t.exStyle, 0u);
  EXPECT_EQ(std::vector<int>({t.x, t.y, t.cx, t.cy}), std::vector<int>({0, 0, 235, 55}));
  EXPECT_EQ(t.face, "MS Sans Serif");
  EXPECT_EQ(t.pointSize, 8);
  ASSERT_EQ(t.controls.size(), 4u);
  EXPECT_EQ(t.controls[0], (Control{65535, "static", "#128", 11, 17, 20, 20, 0x50000003, 0, 0}));
  EXPECT_EQ(t.controls[1],
            (Control{65535, "static", "Haldren ZK-4100 Update\nVersion 1.04", 40, 10, 136, 19, 0x50020080, 0, 0}));
  EXPECT_EQ(t.controls[2].id, 65535u);
  EXPECT_EQ(t.controls[2].cls, "static");
  EXPECT_FALSE(t.controls[2].text.empty());
  EXPECT_EQ(std::vector<int>({t.controls[2].x, t.controls[2].y, t.controls[2].cx, t.controls[2].cy}),
            std::vector<int>({41, 34, 119, 8}));
  EXPECT_EQ(t.controls[2].style, 0x50020000u);
  EXPECT_EQ(t.controls[3], (Control{1, "button", "OK", 178, 7, 50, 14, 0x50030001, 0, 0}));
}

TEST(Resources, AboutMenuString) {
  CString text;
  ASSERT_TRUE(text.LoadString(IDS_ABOUT_MENU));
  EXPECT_STREQ(text, "&About ZK-4100 Update...");
}

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
    const int size = i == 0 ? 32 : 16;
    EXPECT_EQ(entries[i].width, size);
    EXPECT_EQ(entries[i].height, size);
    EXPECT_EQ(entries[i].colours, 16);
    EXPECT_EQ(entries[i].bitCount, 4);
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
  const std::pair<const char*, const char*> strings[] = {{"Comments", ""},
                                                         {"FileDescription", "ZK-4100 Update"},
                                                         {"FileVersion", "1, 0, 4, 0"},
                                                         {"InternalName", "ZK4100_UPDATE"},
                                                         {"LegalTrademarks", ""},
                                                         {"PrivateBuild", ""},
                                                         {"ProductName", "HALDREN ZK-4100 Update"},
                                                         {"ProductVersion", "1, 0, 4, 0"},
                                                         {"SpecialBuild", ""}};
  for (const auto& [name, value] : strings) {
    char* text = nullptr;
    const std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
    ASSERT_TRUE(::VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) << name;
    EXPECT_STREQ(text, value) << name;
  }
  for (const char* name : {"CompanyName", "LegalCopyright", "OriginalFilename"}) {
    char* text = nullptr;
    EXPECT_TRUE(::VerQueryValueA(data.data(), (std::string("\\StringFileInfo\\040904b0\\") + name).c_str(),
                                 reinterpret_cast<void**>(&text), &length))
        << name;
  }
}
}  // namespace
