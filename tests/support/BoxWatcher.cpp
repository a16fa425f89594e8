#include "BoxWatcher.h"

namespace {
BoxWatcher* g_watcher = nullptr;

std::string TextOf(HWND window) {
  char text[1024];
  const int length = ::GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

std::string IconName(HICON icon) {
  const struct {
    LPCSTR id;
    const char* name;
  } known[] = {
      {IDI_ASTERISK, "information"}, {IDI_EXCLAMATION, "exclamation"}, {IDI_HAND, "stop"}, {IDI_QUESTION, "question"}};
  // The system's icons are shared, so the box shows the very handles we load here.
  for (const auto& k : known) {
    if (icon && icon == ::LoadIconA(nullptr, k.id)) return k.name;
  }
  return "none";
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  auto* box = reinterpret_cast<SeenBox*>(param);
  char className[32];
  ::GetClassNameA(child, className, sizeof className);
  const LONG style = ::GetWindowLongA(child, GWL_STYLE);
  if (lstrcmpiA(className, "Button") == 0) {
    if (style & WS_VISIBLE) box->buttons.push_back(TextOf(child));
  } else if (lstrcmpiA(className, "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      box->icon = IconName(reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0)));
    } else if (box->text.empty()) {
      box->text = TextOf(child);
    }
  }
  return TRUE;
}
}  // namespace

BoxWatcher::BoxWatcher(int answer) : m_answer(answer) {
  g_watcher = this;
  m_hook = ::SetWindowsHookExA(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
}

BoxWatcher::~BoxWatcher() {
  ::UnhookWindowsHookEx(m_hook);
  g_watcher = nullptr;
}

std::vector<SeenBox> BoxWatcher::Take() {
  std::vector<SeenBox> seen;
  seen.swap(m_seen);
  return seen;
}

void CALLBACK BoxWatcher::Answer(HWND box, UINT, UINT_PTR, DWORD) {
  ::KillTimer(box, 1);
  ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(g_watcher->m_answer, BN_CLICKED), 0);
}

LRESULT CALLBACK BoxWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_watcher) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char className[16];
    ::GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && window != g_watcher->m_ignored) {
      // Without ES_CONTINUOUS the call changes nothing and returns the state in force.
      SeenBox box{TextOf(window), "", "none", {}, ::SetThreadExecutionState(0)};
      ::EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&box));
      g_watcher->m_seen.push_back(box);
      if (g_watcher->m_holdMs) {
        ::SetTimer(window, 1, g_watcher->m_holdMs, Answer);  // runs in the box's own modal loop
      } else {
        Answer(window, 0, 0, 0);
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
