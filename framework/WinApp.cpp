#include "framework/WinApp.h"

#include <commctrl.h>
#include <process.h>

#include <cstdio>
#include <string>

#include "framework/SystemDll.h"
#include "ui/Texts.h"

namespace {
CWinApp* g_pApp = nullptr;
}

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
  m_strHelpPath = (file.substr(0, nameEnd) + ".HLP").c_str();
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

void CWinApp::WinHelp(HWND owner, UINT command, DWORD_PTR data) {
  if (!::WinHelpA(owner, m_strHelpPath, command, data)) {
    ::MessageBoxA(owner, Texts::HelpFailed, m_strAppName, MB_OK | MB_ICONEXCLAMATION);
  }
}

HANDLE CWinApp::BeginThread(unsigned(__stdcall* proc)(void*), void* param) {
  return reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, proc, param, 0, nullptr));
}
