// The program's manifest asks for the highest rights the user has: administrators store the
// registry marker under HKEY_LOCAL_MACHINE, others can still start it.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>

namespace {
TEST(Manifest, RequestsTheHighestAvailableRights) {
  // build/<preset>/tests/unit_tests.exe -> build/<preset>/ZK4100Update.exe
  char path[MAX_PATH];
  std::string program(path, ::GetModuleFileNameA(nullptr, path, sizeof path));
  program.resize(program.find_last_of('\\'));
  program = program.substr(0, program.find_last_of('\\') + 1) + "ZK4100Update.exe";
  HMODULE module =
      ::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr) << program;
  HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST));
  ASSERT_NE(found, nullptr) << "no manifest in " << program;
  const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(module, found))),
                             ::SizeofResource(module, found));
  ::FreeLibrary(module);

  EXPECT_TRUE(std::regex_search(
      manifest, std::regex(R"(<requestedExecutionLevel\s+level="highestAvailable"\s+uiAccess="false"\s*/>)")))
      << manifest;
}
}  // namespace
