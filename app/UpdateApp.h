// CUpdateApp: the application object.
#pragma once

#include "framework/WinApp.h"

class CUpdateApp : public CWinApp {
 public:
  BOOL InitInstance() override;
  bool OnCommand(UINT id, UINT code) override;
  const char* HelpPage(DWORD context) const override;
};
