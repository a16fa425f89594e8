#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <utility>

#include "Host.h"
#include "ui/resource.h"

namespace {
HHOOK g_activations = nullptr;
UINT g_holdMs = 0;
Json g_boxes = Json::array(), g_display = Json::array();
std::string g_trigger;
void (*g_action)(HWND) = nullptr;

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

Json ReadBox(HWND box) {
  std::string text, icon = "none";
  Json buttons = Json::array();
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    // Styles, not IsWindowVisible: a box being activated is not on the screen yet.
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    char kind[16] = "";
    ::GetClassNameA(child, kind, sizeof kind);
    if (!(style & WS_VISIBLE)) continue;
    if (lstrcmpiA(kind, "Button") == 0) {
      std::string label = Text(child);
      label.erase(std::remove(label.begin(), label.end(), '&'), label.end());  // the mnemonic
      buttons.push_back(label);
    } else if (lstrcmpiA(kind, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
      icon = IconName(child);
    } else if (lstrcmpiA(kind, "Static") == 0 && text.empty()) {
      text = Text(child);
    }
  }
  return {{"caption", Text(box)},
          {"text", text},
          {"icon", icon},
          {"buttons", buttons},
          {"caution", CautionShown(::GetWindow(box, GW_OWNER))}};
}

void CALLBACK Answer(HWND box, UINT, UINT_PTR, DWORD) {
  ::KillTimer(box, 1);
  ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

LRESULT CALLBACK OnActivation(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  char kind[16] = "";
  // The main window, the dialog with the start button, is no box.
  if (code == HCBT_ACTIVATE && ::GetClassNameA(window, kind, sizeof kind) && lstrcmpA(kind, "#32770") == 0 &&
      !::GetDlgItem(window, IDC_START)) {
    g_boxes.push_back(ReadBox(window));
    if (g_holdMs) {
      ::SetTimer(window, 1, g_holdMs, Answer);  // runs in the box's own modal loop
    } else {
      Answer(window, 0, 0, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

std::map<HWND, WNDPROC> g_original;  // the watched controls' own procedures

LRESULT CALLBACK OnControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  const int id = ::GetDlgCtrlID(control);
  if (message == WM_SETTEXT) {
    const std::string text = reinterpret_cast<const char*>(lParam);
    g_display.push_back({id == IDC_STATUS ? "status" : "percent", text});
    if (id == IDC_PERCENT && g_action && text == g_trigger) std::exchange(g_action, nullptr)(::GetParent(control));
  } else if (message == PBM_SETPOS) {
    g_display.push_back({"pos", wParam});
  }
  return ::CallWindowProcA(g_original[control], control, message, wParam, lParam);
}
}  // namespace

Watcher::Watcher() { g_activations = ::SetWindowsHookExA(WH_CBT, OnActivation, nullptr, ::GetCurrentThreadId()); }

Watcher::~Watcher() { ::UnhookWindowsHookEx(g_activations); }

void Watcher::Watch(HWND dialog) {
  for (int id : {IDC_STATUS, IDC_PERCENT, IDC_PROGRESS}) {
    HWND control = ::GetDlgItem(dialog, id);
    g_original[control] =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OnControl)));
  }
}

void Watcher::SetHold(UINT ms) { g_holdMs = ms; }

void Watcher::OnPercent(const std::string& text, void (*action)(HWND)) {
  g_trigger = text;
  g_action = action;
}

Json Watcher::Take() {
  return {{"boxes", std::exchange(g_boxes, Json::array())}, {"display", std::exchange(g_display, Json::array())}};
}

bool CautionShown(HWND dialog) {
  return (::GetWindowLongA(::GetDlgItem(dialog, IDC_CAUTION), GWL_STYLE) & WS_VISIBLE) != 0;
}
