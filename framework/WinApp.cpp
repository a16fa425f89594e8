#include "framework/WinApp.h"

#include <commctrl.h>
#include <objbase.h>
#include <process.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>

#include "framework/DesktopShell.h"
#include "framework/SystemDll.h"
#include "ui/Texts.h"

namespace {
CWinApp* g_pApp = nullptr;

// A page as the help's build writes it, readable and whole: not missing, locked, or cut short by
// a failed copy or download.
bool IsWholePage(const char* path) {
  constexpr char HEAD[] = "<!DOCTYPE html>\n", TAIL[] = "</html>\n";
  const HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string page(1 << 18, '\0');  // more than any page holds
  DWORD got = 0;
  const bool read = ::ReadFile(file, &page[0], static_cast<DWORD>(page.size()), &got, nullptr) && got < page.size();
  ::CloseHandle(file);
  page.resize(got);
  const size_t tail = sizeof TAIL - 1;
  return read && page.rfind(HEAD, 0) == 0 && page.size() >= tail && page.compare(page.size() - tail, tail, TAIL) == 0;
}

// Hands the page to the program that Windows opens web pages with: there is one on every Windows,
// and it shows a page from a downloaded ZIP as readily as an installed one. It starts as the
// signed-in user: from an elevated run, only the desktop's shell can start it so.
bool OpenPage(const char* path) {
  // The shell hands the request to COM objects, which need an apartment on this thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  bool opened = false;
  if (RunsElevated()) {
    opened = OpenInDesktopShell(path);
  } else {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;  // done before COM goes; failures are ours to tell
    info.lpVerb = "open";
    info.lpFile = path;
    info.nShow = SW_SHOWNORMAL;
    opened = ::ShellExecuteExA(&info);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return opened;
}

struct HelpRequest {
  HWND owner;
  std::string page;
};

// The page read and handed over off the window's thread: a page on a slow share, or a shell or
// browser slow to start, never holds the window, nor a run's wait for the radio. A failure is
// told on the window's thread, in a box the window owns.
unsigned __stdcall ShowPage(void* param) {
  const std::unique_ptr<HelpRequest> request(static_cast<HelpRequest*>(param));
  const char* page = request->page.c_str();
  if (!IsWholePage(page) || !OpenPage(page)) ::PostMessageA(request->owner, WM_HELPFAILED, 0, 0);
  return 0;
}
}  // namespace

CWinApp::CWinApp() { g_pApp = this; }

CWinApp::~CWinApp() { g_pApp = nullptr; }

CWinApp* AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleA(nullptr); }

bool CWinApp::OnCommand(UINT, UINT) { return false; }

void CWinApp::Startup() {
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string file(path, length < sizeof path ? length : 0);
  const size_t nameStart = file.find_last_of("\\/") + 1;
  const size_t dot = file.find_last_of('.');
  const size_t nameEnd = dot != std::string::npos && dot >= nameStart ? dot : file.size();
  m_strAppName = file.substr(nameStart, nameEnd - nameStart).c_str();
  m_strHelpFolder = (file.substr(0, nameStart) + "help\\").c_str();
}

bool CWinApp::Enable3dControls() {
  constexpr const char* DLL = "comctl32.dll";
  const auto init = SystemDllFunction<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(DLL, "InitCommonControlsEx");
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  if (init && init(&controls)) return true;
  char text[256];
  std::snprintf(text, sizeof text, Texts::SystemDllMissing, DLL, static_cast<unsigned long>(::GetLastError()));
  ::MessageBoxA(nullptr, text, m_strAppName, MB_OK | MB_ICONSTOP);
  return false;
}

DWORD CWinApp::FindHelpContext() const {
  for (HWND start : {::GetCapture(), ::GetFocus()}) {
    for (HWND window = start; window; window = ::GetParent(window)) {
      const DWORD context = static_cast<DWORD>(::SendMessageA(window, WM_COMMANDHELP, 0, 0));
      if (context != 0) return context;
    }
  }
  return 0;
}

void CWinApp::OnHelp() { WinHelp(m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr, HELP_CONTEXT, FindHelpContext()); }

const char* CWinApp::HelpPage(DWORD) const { return "index.html"; }

void CWinApp::WinHelp(HWND owner, UINT command, DWORD_PTR data) {
  // Nothing to close: a page shown is the browser's, among whatever else the operator has open there.
  if (command == HELP_QUIT) return;
  auto* request = new HelpRequest{owner, std::string(m_strHelpFolder) + HelpPage(static_cast<DWORD>(data))};
  const HANDLE thread = BeginThread(ShowPage, request);
  if (thread) {
    ::CloseHandle(thread);
    return;
  }
  delete request;
  HelpFailed(owner);
}

void CWinApp::HelpFailed(HWND owner) {
  ::MessageBoxA(owner, Texts::HelpFailed, m_strAppName, MB_OK | MB_ICONEXCLAMATION);
}

HANDLE CWinApp::BeginThread(unsigned(__stdcall* proc)(void*), void* param) {
  return reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, proc, param, 0, nullptr));
}
