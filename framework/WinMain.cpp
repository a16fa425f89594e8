#include "framework/SystemDll.h"
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  LimitDllSearch();  // before any window, and before the common controls are loaded
  CWinApp* app = AfxGetApp();
  app->Startup();
  // The main window has run, modally, inside InitInstance; what it returns only
  // says whether a message loop should follow, and none ever does.
  app->InitInstance();
  return 0;
}
