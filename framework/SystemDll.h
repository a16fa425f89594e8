// Windows' own DLLs, from the system folder only. Windows looks for a DLL that is not one of
// its KnownDLLs first in the program's own folder, most often Downloads, where a browser or a
// ZIP may have left a DLL of that name; run by an administrator, it would run elevated. So the
// program imports statically only KnownDLLs (the build checks it), limits every later search
// to the system folder before any code of its own or of the C runtime runs, and loads the rest
// through here.
#pragma once

#include <windows.h>

// The process's first act (framework/WinMain.cpp): every later DLL search, the program's own,
// the C runtime's and those that Windows' DLLs make by name on its behalf, looks in the system
// folder only. It runs before the C runtime has started, so it takes nothing from it.
void LimitDllSearch();

// `name` from the system folder and from nowhere else; nullptr, with the last error, when it
// cannot be loaded from there.
HMODULE LoadSystemDll(const char* name);

// A function of a DLL of the system folder, as type F; nullptr, with the last error, when the
// DLL or the function is missing. The DLL stays loaded for the life of the process.
template <typename F>
F SystemDllFunction(const char* dll, const char* function) {
  const HMODULE module = LoadSystemDll(dll);
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, function))) : nullptr;
}
