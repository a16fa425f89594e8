#include "BoxWatcher.h"

#include "ui/UpdateDialog.h"

namespace {
BoxWatcher* g_watcher = nullptr;
}  // namespace

BoxWatcher::BoxWatcher() {
  g_watcher = this;
  m_hook = ::SetWindowsHookExA(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
}

BoxWatcher::~BoxWatcher() {
  ::UnhookWindowsHookEx(m_hook);
  g_watcher = nullptr;
}

bool CreateHidden(CUpdateDialog& dialog, BoxWatcher& boxes) {
  if (!dialog.Create()) return false;
  dialog.ShowWindow(SW_HIDE);
  boxes.Ignore(dialog.m_hWnd);
  boxes.Take();  // the port list may be empty here: its message is answered
  return true;
}

std::vector<SeenBox> BoxWatcher::Take() {
  std::vector<SeenBox> seen;
  seen.swap(m_seen);
  return seen;
}

void CALLBACK BoxWatcher::Answer(HWND box, UINT, UINT_PTR, DWORD) {
  ::KillTimer(box, 1);
  ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

LRESULT CALLBACK BoxWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_watcher) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char className[16];
    ::GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && window != g_watcher->m_ignored) {
      // Without ES_CONTINUOUS the call changes nothing and returns the state in force.
      g_watcher->m_seen.push_back({readBox(window), ::SetThreadExecutionState(0)});
      if (g_watcher->m_holdMs) {
        ::SetTimer(window, 1, g_watcher->m_holdMs, Answer);  // runs in the box's own modal loop
      } else {
        Answer(window, 0, 0, 0);
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
