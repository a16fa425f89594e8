#include "framework/DesktopShell.h"

#include <windows.h>
// After windows.h:
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {
// One COM interface pointer, released when it goes.
template <typename I>
class CComRef {
 public:
  CComRef() = default;
  ~CComRef() {
    if (m_p) m_p->Release();
  }
  CComRef(const CComRef&) = delete;
  CComRef& operator=(const CComRef&) = delete;
  I* operator->() const { return m_p; }
  I** Out() { return &m_p; }
  void** OutVoid() { return reinterpret_cast<void**>(&m_p); }

 private:
  I* m_p = nullptr;
};

// A BSTR of an ANSI text, freed when it goes; empty when it could not be made.
class CBstr {
 public:
  explicit CBstr(const char* text) {
    wchar_t wide[MAX_PATH * 2];
    if (::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH * 2)) m_b = ::SysAllocString(wide);
  }
  ~CBstr() { ::SysFreeString(m_b); }
  CBstr(const CBstr&) = delete;
  CBstr& operator=(const CBstr&) = delete;
  BSTR Get() const { return m_b; }

 private:
  BSTR m_b = nullptr;
};

// The desktop's shell object, by the documented route: the desktop among the shell's windows, its
// browser's active view, the view's background object and the application behind it.
bool DesktopShellDispatch(CComRef<IShellDispatch2>& shell) {
  CComRef<IShellWindows> windows;
  CComRef<IDispatch> desktop, background, application;
  CComRef<IServiceProvider> services;
  CComRef<IShellBrowser> browser;
  CComRef<IShellView> view;
  CComRef<IShellFolderViewDual> folderView;
  VARIANT location, root;
  ::VariantInit(&location);
  ::VariantInit(&root);
  location.vt = VT_I4;
  location.lVal = CSIDL_DESKTOP;
  LONG window = 0;
  return SUCCEEDED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows, windows.OutVoid())) &&
         windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.Out()) == S_OK &&
         SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, services.OutVoid())) &&
         SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.OutVoid())) &&
         SUCCEEDED(browser->QueryActiveShellView(view.Out())) &&
         SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.OutVoid())) &&
         SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.OutVoid())) &&
         SUCCEEDED(folderView->get_Application(application.Out())) &&
         SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.OutVoid()));
}
}  // namespace

bool RunsElevated() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  TOKEN_ELEVATION elevation = {TRUE};
  DWORD size = 0;
  const bool told = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
  ::CloseHandle(token);
  return !told || elevation.TokenIsElevated != 0;
}

bool OpenInDesktopShell(const char* path) {
  CComRef<IShellDispatch2> shell;
  const CBstr file(path), verb("open");
  if (!file.Get() || !verb.Get() || !DesktopShellDispatch(shell)) return false;
  VARIANT none, operation, show;
  ::VariantInit(&none);
  ::VariantInit(&operation);
  ::VariantInit(&show);
  operation.vt = VT_BSTR;
  operation.bstrVal = verb.Get();
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return SUCCEEDED(shell->ShellExecute(file.Get(), none, none, operation, show));
}
