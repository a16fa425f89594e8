// CUpdateApp: the application object.
#pragma once

#include "framework/WinApp.h"

class CUpdateApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};
