// CWnd: a thin handle wrapper and the base of the framework's windows.
#pragma once

#include <windows.h>

class CDataExchange;

// WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC: a control asks its parent for colours.
constexpr bool IsCtlColorMessage(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

class CWnd {
 public:
  CWnd() = default;
  explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
  virtual ~CWnd() = default;

  HWND m_hWnd = nullptr;

  CWnd GetDlgItem(int id) const { return CWnd(::GetDlgItem(m_hWnd, id)); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  // Message boxes are owned by this window, so they are modal to it.
  int MessageBox(const char* text, const char* caption, UINT type) {
    return ::MessageBoxA(m_hWnd, text, caption, type);
  }
  HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }

  // Transfers between members and controls: FALSE copies members into controls.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* pDX);

 protected:
  // The platform's default processing of a message, for handlers that need its
  // result before they add to it.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
  }
};

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

class CString;
// Binds a control's text to a string member.
void DDX_Text(CDataExchange* pDX, int id, CString& value);
