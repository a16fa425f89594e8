#include "app/UpdateApp.h"

#include "ui/UpdateDialog.h"
#include "ui/resource.h"

namespace {
CUpdateApp theApp;
}

BOOL CUpdateApp::InitInstance() {
  if (!Enable3dControls()) return FALSE;
  CUpdateDialog dialog;
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  // No message loop follows: the program ends with exit code 0.
  return FALSE;
}

bool CUpdateApp::OnCommand(UINT id, UINT) {
  switch (id) {
    case ID_HELP:
      OnHelp();
      return true;
    default:
      return false;
  }
}

// The topics of the help (docs/help.md) that the windows' help contexts open.
const char* CUpdateApp::HelpPage(DWORD context) const {
  switch (context) {
    case CDialog::HID_BASE_RESOURCE + IDD_UPDATE:
      return "procedure.html";
    case CDialog::HID_BASE_RESOURCE + IDD_ABOUT:
      return "about.html";
    default:
      return CWinApp::HelpPage(context);
  }
}
