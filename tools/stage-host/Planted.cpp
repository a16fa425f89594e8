// A DLL that notes each time it is loaded, and does nothing else: the end-to-end tests plant
// copies of it, named after DLLs that Windows looks for beside a program, and none may run.
// Each load appends the copy's file name, a line, to planted.log beside it. Kernel32 only: a
// copy may be loaded while user32 itself is (Wine's imports version.dll).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  char path[MAX_PATH + 16], line[MAX_PATH + 2];
  DWORD folder = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (reason != DLL_PROCESS_ATTACH || folder == 0 || folder == MAX_PATH) return TRUE;
  while (folder > 0 && path[folder - 1] != '\\') --folder;
  ::lstrcatA(::lstrcpyA(line, path + folder), "\r\n");
  ::lstrcpyA(path + folder, "planted.log");
  const HANDLE log = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(log, line, static_cast<DWORD>(::lstrlenA(line)), &written, nullptr);
  ::CloseHandle(log);
  return TRUE;
}

// Wine's own user32 imports these from version.dll: without them no program with a window
// could start under Wine beside a copy named version.dll.
extern "C" DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR, LPDWORD) { return 0; }
extern "C" BOOL WINAPI GetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) { return FALSE; }
extern "C" BOOL WINAPI VerQueryValueW(LPCVOID, LPCWSTR, LPVOID*, PUINT) { return FALSE; }
