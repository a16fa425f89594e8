// The main window's menu as Wine keeps it: per process, so only seen in-process.
#include "Host.h"

Json MenuEntries(HMENU menu) {
  Json entries = Json::array();
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    char text[128] = "";
    ::GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    const bool separator = ::GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR;
    entries.push_back({separator ? 0u : ::GetMenuItemID(menu, i), separator ? "" : text});
  }
  return entries;
}

Json StandardWindowMenu() {
  HWND reference = ::CreateWindowExA(WS_EX_APPWINDOW, "#32770", "", 0x90CA00C0 & ~WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                     nullptr, nullptr, nullptr);
  Json entries = MenuEntries(::GetSystemMenu(reference, FALSE));
  ::DestroyWindow(reference);
  return entries;
}

namespace {
// Menu mode shows itself to the hooks of the menu's message loop; the hook ends it.
bool g_menuOpened = false;
LRESULT CALLBACK MenuLoop(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_MENU && !g_menuOpened) {
    g_menuOpened = true;
    ::EndMenu();
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

bool OpensAMenu(HWND window, const std::string& how) {
  g_menuOpened = false;
  HHOOK hook = ::SetWindowsHookExA(WH_MSGFILTER, MenuLoop, nullptr, ::GetCurrentThreadId());
  ::PostMessageA(window, WM_NULL, 0, 0);  // something for a menu loop to look at
  if (how == "context") {
    ::SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), 0);
  } else {  // a click on the window icon carries the hit-test code in the low bits
    ::SendMessageA(window, WM_SYSCOMMAND, how == "mouse" ? SC_MOUSEMENU | HTSYSMENU : SC_KEYMENU,
                   how == "mouse" ? 0 : ' ');
  }
  ::UnhookWindowsHookEx(hook);
  MSG pending;
  while (::PeekMessageA(&pending, window, WM_NULL, WM_NULL, PM_REMOVE)) {
  }
  return g_menuOpened;
}
