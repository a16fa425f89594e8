#include "framework/Dialog.h"

#include "framework/WinApp.h"

HWND CDialog::OwnerHandle() const {
  // Without a parent of its own, a dialog is owned by the main window while it is open.
  if (m_pParentWnd) return m_pParentWnd->m_hWnd;
  const CWnd* main = AfxGetApp()->m_pMainWnd;
  return main && main != this ? main->m_hWnd : nullptr;
}

INT_PTR CDialog::DoModal() {
  return ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), OwnerHandle(), DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(CWnd* parent) {
  m_pParentWnd = parent;
  return ::CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), OwnerHandle(), DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

CDialog::~CDialog() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);  // a modeless dialog still open
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_COMMANDHELP:
      result = GetHelpContext();
      return true;
    case WM_HELPFAILED:
      AfxGetApp()->HelpFailed(m_hWnd);
      return true;
    default:
      return false;
  }
}

bool CDialog::OnCommand(UINT id, UINT code) {
  switch (id) {
    case IDOK:
      OnOK();
      return true;
    case IDCANCEL:
      OnCancel();
      return true;
    default:
      return AfxGetApp()->OnCommand(id, code);
  }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->m_hWnd = hWnd;
    ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
  }
  auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
  if (!dialog) return FALSE;  // messages that come before WM_INITDIALOG
  if (message == WM_NCDESTROY) {
    // The object may outlive its window; it must not keep a dead handle.
    dialog->m_hWnd = nullptr;
    ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    return FALSE;
  }

  LRESULT result = 0;
  if (!dialog->OnMessage(message, wParam, lParam, result)) return FALSE;
  // These answer through the dialog procedure's own return value.
  if (message == WM_INITDIALOG || message == WM_QUERYDRAGICON || IsCtlColorMessage(message)) {
    return static_cast<INT_PTR>(result);
  }
  ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
  return TRUE;
}
