// The start handler, the window's busy and idle states, and what the stages show and record.
#include "ui/UpdateDialog.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "framework/WinApp.h"
#include "ui/Texts.h"
#include "ui/resource.h"

namespace {
// A box's text as the record names it: its first line, as it stands.
int FirstLineLength(const char* text) { return static_cast<int>(std::strcspn(text, "\n")); }
}  // namespace

void CUpdateDialog::OnStart() {
  CWnd start = GetDlgItem(IDC_START);
  CWnd exit = GetDlgItem(IDC_EXIT);
  CWnd abort = GetDlgItem(IDC_ABORT);
  CWnd port = GetDlgItem(IDC_PORT);
  CWnd percent = GetDlgItem(IDC_PERCENT);
  CWnd help = GetDlgItem(ID_HELP);
  m_record.Open(SelectedPort());
  const ULONGLONG started = ::GetTickCount64();  // for the record only

  // Busy: no second run, no exit and no change of port while this one lasts.
  start.EnableWindow(FALSE);
  abort.EnableWindow(TRUE);
  exit.EnableWindow(FALSE);
  percent.EnableWindow(TRUE);
  port.EnableWindow(FALSE);
  GotoDlgCtrl(abort);  // Enter now presses Cancel
  m_bAbort = 0;

  RunUpdate();  // the stages pump messages, so this window's handlers run meanwhile

  start.EnableWindow(TRUE);
  abort.EnableWindow(FALSE);
  exit.EnableWindow(TRUE);
  percent.EnableWindow(FALSE);
  port.EnableWindow(TRUE);
  GotoDlgCtrl(start);
  abort.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  help.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  SendMessage(DM_SETDEFID, IDC_START);
  // Only now: whoever reads "run ended" may start the next run at once.
  m_record.Write("run ended after %.3f s", static_cast<double>(::GetTickCount64() - started) / 1000);
  m_record.Close();
}

void CUpdateDialog::ShowPercent(UINT percent) {
  GetDlgItem(IDC_PROGRESS).SendMessage(PBM_SETPOS, percent);
  m_strPercent.Format("%u%%", percent);
  UpdateData(FALSE);
}

int CUpdateDialog::Prompt(const char* text) {
  const int answer = MessageBox(text, Texts::Caption, MB_OKCANCEL | MB_ICONINFORMATION);
  // Closing the box counts as Cancel, as it does for the run.
  m_record.Write("prompt \"%.*s\" answered %s", FirstLineLength(text), text, answer == IDOK ? "OK" : "Cancel");
  return answer;
}

void CUpdateDialog::Tell(const char* text, UINT style) {
  m_record.Write("message \"%.*s\"", FirstLineLength(text), text);
  MessageBox(text, Texts::Caption, style);
}

int CUpdateDialog::StageFailed(const char* stage, const CString& place, const CString& cause) {
  m_record.Write("%s failed at %s: %s", stage, static_cast<const char*>(place), static_cast<const char*>(cause));
  return 0;
}

void CUpdateDialog::OnExit() {
  AfxGetApp()->WinHelp(m_hWnd, HELP_QUIT, 0);
  // Ends the process at once: static objects are destroyed, the dialog is not ended.
  std::exit(0);
}
