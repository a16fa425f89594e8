// The main window's message handling.
#include "ui/UpdateDialog.h"

#include <commctrl.h>

#include <cstdlib>

#include "framework/WinApp.h"
#include "ui/Texts.h"
#include "ui/resource.h"

CUpdateDialog::CUpdateDialog(CWnd* parent) : CDialog(IDD_UPDATE, parent) {}

void CUpdateDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_STATUS, m_strStatus);
  DDX_Text(pDX, IDC_PERCENT, m_strPercent);
}

BOOL CUpdateDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  // The template's own texts are never seen: the idle prompt and an empty percent field are.
  m_strStatus = Texts::IdleStatus;
  UpdateData(FALSE);
  EnumeratePorts();
  return TRUE;
}

bool CUpdateDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_TIMER:
      OnTimer(wParam);
      return false;  // every timer message also gets the default processing
    default:
      return CDialog::OnMessage(message, wParam, lParam, result);
  }
}

bool CUpdateDialog::OnCommand(UINT id, UINT code) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_START:
        OnStart();
        return true;
      case IDC_ABORT:
        OnAbort();
        return true;
      case IDC_EXIT:
        OnExit();
        return true;
      default:
        break;
    }
  }
  return CDialog::OnCommand(id, code);
}

void CUpdateDialog::OnStart() {
  CWnd start = GetDlgItem(IDC_START);
  CWnd exit = GetDlgItem(IDC_EXIT);
  CWnd abort = GetDlgItem(IDC_ABORT);
  CWnd port = GetDlgItem(IDC_PORT);
  CWnd percent = GetDlgItem(IDC_PERCENT);
  CWnd help = GetDlgItem(ID_HELP);

  // Busy: no second run, no exit and no change of port while this one lasts.
  start.EnableWindow(FALSE);
  abort.EnableWindow(TRUE);
  exit.EnableWindow(FALSE);
  percent.EnableWindow(TRUE);
  port.EnableWindow(FALSE);
  abort.SetFocus();
  m_bAbort = 0;

  RunUpdate();  // the stages pump messages, so this window's handlers run meanwhile

  start.EnableWindow(TRUE);
  abort.EnableWindow(FALSE);
  exit.EnableWindow(TRUE);
  percent.EnableWindow(FALSE);
  port.EnableWindow(TRUE);
  start.SetFocus();
  abort.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  help.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  SendMessage(DM_SETDEFID, IDC_START);
}

void CUpdateDialog::ShowPercent(UINT percent) {
  GetDlgItem(IDC_PROGRESS).SendMessage(PBM_SETPOS, percent);
  m_strPercent.Format("%u%%", percent);
  UpdateData(FALSE);
}

void CUpdateDialog::OnExit() {
  AfxGetApp()->WinHelp(m_hWnd, HELP_QUIT, 0);
  // Ends the process at once: static objects are destroyed, the dialog is not ended.
  std::exit(0);
}
