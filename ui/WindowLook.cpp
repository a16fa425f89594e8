// The window menu's commands, painting while minimised, the red caution line,
// and the help's quit request as the window goes.
#include "framework/WinApp.h"
#include "ui/AboutDialog.h"
#include "ui/UpdateDialog.h"
#include "ui/resource.h"

namespace {
// Where the minimised window draws its icon: centred in the client area. Signed, truncating
// toward zero: a client area smaller than the icon gives a negative origin.
POINT CenteredIconOrigin(const RECT& client, int iconWidth, int iconHeight) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  return {(width - iconWidth + 1) / 2, (height - iconHeight + 1) / 2};
}
}  // namespace

bool CUpdateDialog::OnSysCommand(UINT id) {
  const bool idle = GetDlgItem(IDC_START).IsWindowEnabled() != FALSE;
  const UINT command = id & 0xFFF0;
  if (command == IDM_ABOUT) {
    CAboutDialog about;
    about.DoModal();
    return true;
  }
  // During a run the window menu does not open: not by the icon, a double click
  // on it, nor the keyboard. Minimising, restoring and moving still work.
  return !idle && (command == SC_MOUSEMENU || command == SC_DEFAULT || command == SC_KEYMENU);
}

bool CUpdateDialog::OnPaint() {
  if (!IsIconic()) return false;
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(m_hWnd, &paint);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const int iconWidth = ::GetSystemMetrics(SM_CXICON);
  const int iconHeight = ::GetSystemMetrics(SM_CYICON);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  const POINT at = CenteredIconOrigin(client, iconWidth, iconHeight);
  ::DrawIcon(dc, at.x, at.y, m_hIcon);
  ::EndPaint(m_hWnd, &paint);
  return true;
}

LRESULT CUpdateDialog::OnCtlColor(UINT message, HDC dc, HWND control) {
  const LRESULT brush = DefWindowProc(message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  if (control == GetDlgItem(IDC_CAUTION).m_hWnd) ::SetTextColor(dc, RGB(255, 0, 0));
  return brush;
}

void CUpdateDialog::OnDestroy() { AfxGetApp()->WinHelp(m_hWnd, HELP_QUIT, 0); }
