// The main window's message handling.
#include "ui/UpdateDialog.h"

#include "framework/WinApp.h"
#include "ui/Texts.h"
#include "ui/resource.h"

CUpdateDialog::CUpdateDialog(CWnd* parent)
    : CDialog(IDD_UPDATE, parent), m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_APP))) {}

void CUpdateDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_STATUS, m_strStatus);
  DDX_Text(pDX, IDC_PERCENT, m_strPercent);
}

BOOL CUpdateDialog::OnInitDialog() {
  CDialog::OnInitDialog();

  HMENU windowMenu = GetSystemMenu(FALSE);
  CString about;
  about.LoadString(IDS_ABOUT_MENU);
  if (!about.IsEmpty()) {
    ::AppendMenuA(windowMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(windowMenu, MF_STRING, IDM_ABOUT, about);
  }
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  // Restore, Move, Size, Minimize, Maximize, separator, Close (+ separator, About):
  // by position, after the append and in this order, this takes out Size, the
  // separator before Close, Maximize and Close. Without Close the caption's close
  // button is greyed.
  for (UINT position : {2, 4, 3, 3}) ::RemoveMenu(windowMenu, position, MF_BYPOSITION);

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
    case WM_SYSCOMMAND:
      return OnSysCommand(static_cast<UINT>(wParam));
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(m_hIcon);
      return true;
    case WM_DESTROY:
      OnDestroy();
      return false;
    case WM_CONTEXTMENU:
      return true;  // no context menu anywhere, not even the window menu from the caption
    case WM_QUERYENDSESSION:
      result = OnQueryEndSession(lParam);
      return true;
    case WM_ENDSESSION:
      OnEndSession(static_cast<BOOL>(wParam), lParam);
      return true;
    case WM_POWERBROADCAST:
      OnPowerBroadcast(wParam);
      return false;
    default:
      if (IsCtlColorMessage(message)) {
        result = OnCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return true;
      }
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
