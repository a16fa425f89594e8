// The application object of the test programs, which host the dialog themselves.
#pragma once

#include "framework/WinApp.h"

class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return FALSE; }
};
