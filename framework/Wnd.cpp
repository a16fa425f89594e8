#include "framework/Wnd.h"

#include <vector>

#include "framework/String.h"

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
  HWND control = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
  const int length = ::GetWindowTextLengthA(control);
  std::vector<char> current(length + 1);
  ::GetWindowTextA(control, current.data(), length + 1);
  if (pDX->m_bSaveAndValidate) {
    value = current.data();
  } else if (value != current.data()) {
    // Only a changed text is set, so repeated transfers do not make the control flicker.
    ::SetWindowTextA(control, value);
  }
}
