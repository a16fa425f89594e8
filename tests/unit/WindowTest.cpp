// The main window's own behaviour, seen in-process (Wine keeps menus per process):
// the window menu and the system-command filter.
#include <string>
#include <utility>
#include <vector>

#include "HostedDialog.h"
#include "framework/WinApp.h"
#include "ui/resource.h"

namespace {
using MenuEntry = std::pair<UINT, std::string>;  // command id (0 for a separator) and text

std::vector<MenuEntry> Entries(HMENU menu) {
  std::vector<MenuEntry> entries;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    char text[128] = "";
    ::GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    const bool separator = ::GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR;
    entries.push_back({separator ? 0u : ::GetMenuItemID(menu, i), separator ? "" : text});
  }
  return entries;
}

// Menu mode shows itself to the hooks of the menu's message loop; the hook ends it.
bool g_menuOpened = false;
LRESULT CALLBACK MenuLoop(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_MENU && !g_menuOpened) {
    g_menuOpened = true;
    ::EndMenu();
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool OpensAMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_menuOpened = false;
  HHOOK hook = ::SetWindowsHookExA(WH_MSGFILTER, MenuLoop, nullptr, ::GetCurrentThreadId());
  ::PostMessageA(window, WM_NULL, 0, 0);  // something for a menu loop to look at
  ::SendMessageA(window, message, wParam, lParam);
  ::UnhookWindowsHookEx(hook);
  MSG pending;
  while (::PeekMessageA(&pending, window, WM_NULL, WM_NULL, PM_REMOVE)) {
  }
  return g_menuOpened;
}

using WindowTest = HostedDialog;

// The standard window menu that the platform gives a window of the main dialog's styles.
std::vector<MenuEntry> StandardWindowMenu() {
  HWND reference = ::CreateWindowExA(WS_EX_APPWINDOW, "#32770", "", 0x90CA00C0 & ~WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                     nullptr, nullptr, nullptr);
  std::vector<MenuEntry> entries = Entries(::GetSystemMenu(reference, FALSE));
  ::DestroyWindow(reference);
  return entries;
}

TEST_F(WindowTest, TheWindowMenuLosesSizeMaximizeAndCloseAndGainsAbout) {
  // Expected: the standard menu (Restore, Move, Size, Minimize, Maximize, separator,
  // Close, and whatever the platform adds after it) without Size, Maximize, Close and
  // the separator before Close; then a separator and About.
  std::vector<MenuEntry> expected;
  const std::vector<MenuEntry> standard = StandardWindowMenu();
  for (size_t i = 0; i < standard.size(); ++i) {
    const UINT id = standard[i].first;
    const bool beforeClose = id == 0 && i + 1 < standard.size() && standard[i + 1].first == SC_CLOSE;
    if (id != SC_SIZE && id != SC_MAXIMIZE && id != SC_CLOSE && !beforeClose) expected.push_back(standard[i]);
  }
  ASSERT_GE(expected.size(), 3u);
  EXPECT_EQ(std::vector<UINT>({expected[0].first, expected[1].first, expected[2].first}),
            std::vector<UINT>({SC_RESTORE, SC_MOVE, SC_MINIMIZE}));
  expected.push_back({0, ""});
  expected.push_back({IDM_ABOUT, "&About ZK-4100 Update..."});
  EXPECT_EQ(Entries(dialog->GetSystemMenu(FALSE)), expected);
}

TEST_F(WindowTest, TheWindowMenuOpensOnlyWhileIdle) {
  CWnd start = dialog->GetDlgItem(IDC_START);
  for (bool idle : {true, false}) {
    start.EnableWindow(idle);
    EXPECT_EQ(OpensAMenu(dialog->m_hWnd, WM_SYSCOMMAND, SC_KEYMENU, ' '), idle) << "keyboard, idle " << idle;
    // A click on the window icon: the low bits carry the hit-test code.
    EXPECT_EQ(OpensAMenu(dialog->m_hWnd, WM_SYSCOMMAND, SC_MOUSEMENU | HTSYSMENU, 0), idle) << "mouse, idle " << idle;
    EXPECT_FALSE(OpensAMenu(dialog->m_hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dialog->m_hWnd), 0));
    // The About command itself is obeyed either way.
    boxes->Take();
    ::SendMessageA(dialog->m_hWnd, WM_SYSCOMMAND, IDM_ABOUT, 0);
    EXPECT_EQ(boxes->Take().size(), 1u);  // the About box
  }
  start.EnableWindow(TRUE);
}

}  // namespace
