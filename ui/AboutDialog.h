// CAboutDialog: the About box, reached from the window menu while idle.
#pragma once

#include "framework/Dialog.h"
#include "ui/resource.h"

class CAboutDialog : public CDialog {
 public:
  CAboutDialog() : CDialog(IDD_ABOUT) {}
};
