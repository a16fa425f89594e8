// A bare window, and nothing else: what it loads of the DLLs planted beside it, Wine loads for
// every program with a window (Windows maps those from its KnownDLLs).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return !::DestroyWindow(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
}
