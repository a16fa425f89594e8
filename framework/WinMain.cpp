#include <windows.h>

#include "framework/SystemDll.h"
#include "framework/WinApp.h"

namespace {
// Called by Windows as it attaches the process, after the KnownDLLs the program imports and
// before the C runtime's start-up: that runs constructors, the stack protector's among them,
// whose guard comes from a cryptographic provider that loads further DLLs by name.
void NTAPI LimitBeforeStartup(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_PROCESS_ATTACH) LimitDllSearch();
}
}  // namespace

// The loader calls every pointer between the runtime's .CRT$XLA and .CRT$XLZ (its TLS
// directory), in the order of the sections' names.
extern "C" [[gnu::section(".CRT$XLB"), gnu::used]] const PIMAGE_TLS_CALLBACK g_limitDllSearch = LimitBeforeStartup;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CWinApp* app = AfxGetApp();
  app->Startup();
  // The main window has run, modally, inside InitInstance; what it returns only
  // says whether a message loop should follow, and none ever does.
  app->InitInstance();
  return 0;
}
