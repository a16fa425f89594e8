#include "BoxWatcher.h"

#include "ui/UpdateDialog.h"

namespace {
BoxWatcher* g_watcher = nullptr;

std::string Text(HWND window) {
  char text[1024] = "";
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string IconName(HWND control) {
  // The box's static holds the very system icon that LoadIcon gives this process.
  const HICON shown = reinterpret_cast<HICON>(::SendMessageA(control, STM_GETICON, 0, 0));
  for (const auto& [id, name] : {std::pair{IDI_ASTERISK, "information"}, std::pair{IDI_EXCLAMATION, "exclamation"},
                                 std::pair{IDI_HAND, "stop"}, std::pair{IDI_QUESTION, "question"}}) {
    if (shown == ::LoadIconA(nullptr, id)) return name;
  }
  return "none";
}

SeenBox ReadBox(HWND box) {
  // Without ES_CONTINUOUS the call changes nothing and returns the state in force.
  SeenBox seen{Text(box), "", "none", {}, ::SetThreadExecutionState(0), CautionShown(::GetWindow(box, GW_OWNER))};
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    // Styles, not IsWindowVisible: a box being activated is not on the screen yet.
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    char kind[16] = "";
    ::GetClassNameA(child, kind, sizeof kind);
    if (!(style & WS_VISIBLE)) continue;
    if (lstrcmpiA(kind, "Button") == 0) {
      std::string label;
      for (const char c : Text(child)) {
        if (c != '&') label += c;
      }
      seen.buttons.push_back(label);
    } else if (lstrcmpiA(kind, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
      seen.icon = IconName(child);
    } else if (lstrcmpiA(kind, "Static") == 0 && seen.text.empty()) {
      seen.text = Text(child);
    }
  }
  return seen;
}
}  // namespace

BoxWatcher::BoxWatcher() {
  g_watcher = this;
  m_hook = ::SetWindowsHookExA(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
}

BoxWatcher::~BoxWatcher() {
  ::UnhookWindowsHookEx(m_hook);
  g_watcher = nullptr;
}

bool CreateHidden(CUpdateDialog& dialog) {
  if (!dialog.Create()) return false;
  dialog.ShowWindow(SW_HIDE);
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
    // The main window, the one with the start button, is no box.
    if (lstrcmpA(className, "#32770") == 0 && !::GetDlgItem(window, IDC_START)) {
      g_watcher->m_seen.push_back(ReadBox(window));
      if (g_watcher->m_holdMs) {
        ::SetTimer(window, 1, g_watcher->m_holdMs, Answer);  // runs in the box's own modal loop
      } else {
        Answer(window, 0, 0, 0);
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
