// CWinApp: the one application object, start-up, help and worker threads.
#pragma once

#include <windows.h>

#include "framework/String.h"
#include "framework/Wnd.h"

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Per-instance start-up. Programs on this framework run their main window
  // modally in here and return FALSE: there is no application message loop.
  virtual BOOL InitInstance() = 0;
  // Command routing for commands that no window handled; true when handled.
  virtual bool OnCommand(UINT id, UINT code);

  // Called once by WinMain before InitInstance: learns the program file's names.
  void Startup();

  // The dialog controls' three-dimensional look; this is also where the common
  // controls are registered, without which the progress bar's template fails. False, once
  // the operator has been told, when the common controls cannot be loaded from the system
  // folder: then no window can be shown.
  bool Enable3dControls();

  // The help command: the topic of the window with the mouse capture or the
  // focus, or of the nearest parent that has one.
  void OnHelp();
  DWORD FindHelpContext() const;
  // The help's page, in m_strHelpFolder, for a help context: the contents for one it has no topic for.
  virtual const char* HelpPage(DWORD context) const;
  // Shows the topic of a help context (HELP_CONTEXT) and tells the operator, in a box `owner`
  // owns, when it cannot; the quit request (HELP_QUIT) finds nothing of ours to close. It returns
  // at once: the page is shown from a thread of its own, which posts WM_HELPFAILED to `owner`
  // when it cannot show it.
  void WinHelp(HWND owner, UINT command, DWORD_PTR data);
  // "Failed to launch help.", owned by `owner`.
  void HelpFailed(HWND owner);

  // Starts a worker thread at normal priority with the default stack.
  static HANDLE BeginThread(unsigned(__stdcall* proc)(void*), void* param);

  CWnd* m_pMainWnd = nullptr;
  CString m_strAppName;     // the program file's name without its extension
  CString m_strHelpFolder;  // the folder "help\\" beside the program file, built and shipped with it
};

// Asks a window for its help context; windows without one answer 0.
constexpr UINT WM_COMMANDHELP = WM_APP + 0x365;
// Tells a window that the help page it asked for could not be shown.
constexpr UINT WM_HELPFAILED = WM_APP + 0x366;

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
