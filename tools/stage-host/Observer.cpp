#include "Observer.h"

#include <commctrl.h>

#include "ui/resource.h"

namespace {
Observer* g_observer = nullptr;
HWND g_dialog = nullptr;
std::vector<DisplayEvent> g_events;
std::string g_triggerText;
void (*g_triggerAction)(HWND) = nullptr;
const int kWatched[] = {IDC_STATUS, IDC_PERCENT, IDC_PROGRESS};
constexpr int kCount = sizeof kWatched / sizeof kWatched[0];
WNDPROC g_original[kCount];

int Slot(HWND control) {
  const int id = ::GetDlgCtrlID(control);
  for (int i = 0; i < kCount; ++i) {
    if (kWatched[i] == id) return i;
  }
  return -1;
}
}  // namespace

Observer::Observer(HWND dialog) {
  g_observer = this;
  g_dialog = dialog;
  for (int i = 0; i < kCount; ++i) {
    HWND control = ::GetDlgItem(dialog, kWatched[i]);
    g_original[i] = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Observer::ControlProc)));
  }
}

std::vector<DisplayEvent> Observer::Take() {
  std::vector<DisplayEvent> events;
  events.swap(g_events);
  return events;
}

void Observer::OnPercent(const std::string& text, void (*action)(HWND)) {
  g_triggerText = text;
  g_triggerAction = action;
}

void Observer::Record(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  const int id = ::GetDlgCtrlID(control);
  if (message == WM_SETTEXT && (id == IDC_STATUS || id == IDC_PERCENT)) {
    const std::string text = reinterpret_cast<const char*>(lParam);
    g_events.push_back({id == IDC_STATUS ? "status" : "percent", text, 0});
    if (id == IDC_PERCENT && g_triggerAction && text == g_triggerText) {
      auto action = g_triggerAction;
      g_triggerAction = nullptr;
      action(g_dialog);
    }
  } else if (message == PBM_SETPOS) {
    g_events.push_back({"pos", "", static_cast<long long>(wParam)});
  }
}

LRESULT CALLBACK Observer::ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_observer) g_observer->Record(control, message, wParam, lParam);
  return ::CallWindowProcA(g_original[Slot(control)], control, message, wParam, lParam);
}
