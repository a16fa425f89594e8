// The program's manifest: administrator rights, for the registry marker under
// HKEY_LOCAL_MACHINE, and nothing that changes how the dialogs look or scale.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace {
// build/<preset>/tests/unit_tests.exe -> build/<preset>/ZK4100Update.exe
std::string ProgramPath() {
  char path[MAX_PATH];
  std::string folder(path, ::GetModuleFileNameA(nullptr, path, sizeof path));
  folder.resize(folder.find_last_of('\\'));
  return folder.substr(0, folder.find_last_of('\\') + 1) + "ZK4100Update.exe";
}

std::string ManifestOf(HMODULE module) {
  HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST));
  if (found == nullptr) return "";
  return std::string(static_cast<const char*>(::LockResource(::LoadResource(module, found))),
                     ::SizeofResource(module, found));
}

class ManifestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_program =
        ::LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(m_program, nullptr) << ProgramPath();
    m_manifest = ManifestOf(m_program);
    ASSERT_FALSE(m_manifest.empty()) << "no manifest (resource 1 of type 24) in " << ProgramPath();
  }
  void TearDown() override {
    if (m_program != nullptr) ::FreeLibrary(m_program);
  }

  HMODULE m_program = nullptr;
  std::string m_manifest;
};

TEST_F(ManifestTest, RequestsAdministratorRights) {
  const std::regex level(R"(<requestedExecutionLevel\s+level="requireAdministrator"\s+uiAccess="false"\s*/>)");
  EXPECT_TRUE(std::regex_search(m_manifest, level)) << m_manifest;
}

// Common Controls 6 would restyle the classic dialogs and dpiAware would rescale them.
TEST_F(ManifestTest, DeclaresNothingElse) {
  std::string lower = m_manifest;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(tolower(c)); });
  EXPECT_EQ(lower.find("common-controls"), std::string::npos) << m_manifest;
  EXPECT_EQ(lower.find("dpiaware"), std::string::npos) << m_manifest;
  std::vector<std::string> elements;
  const std::regex element(R"(<([A-Za-z][\w.:-]*))");
  for (std::sregex_iterator i(m_manifest.begin(), m_manifest.end(), element), end; i != end; ++i) {
    elements.push_back((*i)[1]);
  }
  EXPECT_EQ(elements, (std::vector<std::string>{"assembly", "trustInfo", "security", "requestedPrivileges",
                                                "requestedExecutionLevel"}));
}

// The test programs share the program's resources but must run without elevation.
TEST_F(ManifestTest, TestProgramsCarryNone) {
  EXPECT_EQ(::FindResourceA(nullptr, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST)), nullptr);
}
}  // namespace
