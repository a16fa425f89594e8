#include "framework/SystemDll.h"

namespace {
// What Windows' own DLLs load by name for a dialog program, and for the C runtime's start-up
// (its stack protector's cryptographic provider). Where Windows cannot be told to
// search the system folder only (Windows 7 without its 2011 loader update), each is loaded
// first from there by full path, so that a later load by name finds it already loaded.
constexpr const char* LOADED_BY_NAME[] = {
    "uxtheme.dll", "userenv.dll", "setupapi.dll", "apphelp.dll", "propsys.dll", "dwmapi.dll",           "cryptbase.dll",
    "oleacc.dll",  "clbcatq.dll", "version.dll",  "cryptsp.dll", "rsaenh.dll",  "bcryptprimitives.dll", "bcrypt.dll"};

// `name` in the system folder, into `path`; false when it does not fit.
bool SystemFolderPath(const char* name, char (&path)[MAX_PATH]) {
  const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
  return length != 0 && length + 1 + ::lstrlenA(name) < MAX_PATH && ::lstrcatA(::lstrcatA(path, "\\"), name);
}
}  // namespace

void LimitDllSearch() {
  // Looked up, not imported: a Windows without it could not start the program at all.
  const auto setDefault = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  ::SetDllDirectoryA("");  // takes the current folder out of the search
  for (const char* name : LOADED_BY_NAME) LoadSystemDll(name);
}

HMODULE LoadSystemDll(const char* name) {
  const HMODULE module = ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A Windows that does not know the flag: the full path, with the DLL's own imports looked
  // for beside it first.
  char path[MAX_PATH];
  if (!SystemFolderPath(name, path)) return nullptr;
  return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
