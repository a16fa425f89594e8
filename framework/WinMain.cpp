#include <windows.h>

#include "framework/DesktopShell.h"
#include "framework/SystemDll.h"
#include "framework/WinApp.h"

namespace {
// In an elevated run, where Windows offers it (11 22H2, and 10 with its updates of 2022): junctions
// and links that a standard user made are not followed by this process, whatever it opens by
// name. Looked up, not imported, like every call that not each supported Windows has.
void RefuseUserRedirection() {
  if (!RunsElevated()) return;
  using SetPolicy = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);
  const auto set = reinterpret_cast<SetPolicy>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetProcessMitigationPolicy")));
  PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy = {};
  policy.EnforceRedirectionTrust = 1;
  if (set) set(ProcessRedirectionTrustPolicy, &policy, sizeof policy);
}

// Called by Windows as it attaches the process, after the KnownDLLs the program imports and
// before the C runtime's start-up: that runs constructors, the stack protector's among them,
// whose guard comes from a cryptographic provider that loads further DLLs by name.
void NTAPI LimitBeforeStartup(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_PROCESS_ATTACH) return;
  LimitDllSearch();
  RefuseUserRedirection();
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
