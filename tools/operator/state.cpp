#include "state.h"

#include "target.h"
#include "window_text.h"

#include <commctrl.h>

namespace {

Json screenRect(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

Json describeControl(HWND control) {
  const DWORD style = GetWindowLongA(control, GWL_STYLE);
  return {{"text", windowText(control)},
          {"enabled", IsWindowEnabled(control) != FALSE},
          {"visible", (style & WS_VISIBLE) != 0},
          {"style", style},
          {"rect", screenRect(control)}};
}

// Focus may sit on an inner window of a control (a combo box's list); report
// the main window's child that contains it.
void addFocus(HWND main, Json& reply) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND focus = nullptr;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) focus = info.hwndFocus;
  while (focus && GetAncestor(focus, GA_PARENT) != main) focus = GetAncestor(focus, GA_PARENT);
  reply["focus"] = focus ? Json(GetDlgCtrlID(focus)) : Json();
}

bool addDefaultId(HWND main, Json& reply) {
  LRESULT answer = 0;
  if (!sendWithTimeout(main, DM_GETDEFID, 0, 0, answer)) return false;
  reply["default_id"] = HIWORD(answer) == DC_HASDEFID ? Json(LOWORD(answer)) : Json();
  return true;
}

bool addCombo(HWND main, Json& reply) {
  HWND combo = GetDlgItem(main, IDC_PORT);
  LRESULT count = 0;
  LRESULT selection = 0;
  if (!sendWithTimeout(combo, CB_GETCOUNT, 0, 0, count) || count < 0 ||
      !sendWithTimeout(combo, CB_GETCURSEL, 0, 0, selection))
    return false;
  std::vector<std::string> items;
  for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
    LRESULT length = 0;
    if (!sendWithTimeout(combo, CB_GETLBTEXTLEN, i, 0, length) || length < 0) return false;
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!sendWithTimeout(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]), copied) || copied < 0)
      return false;
    item.resize(static_cast<size_t>(copied));
    items.push_back(wideToUtf8(item));
  }
  reply["combo"] = {{"items", items}, {"selection", selection == CB_ERR ? -1 : selection}};
  return true;
}

bool addProgress(HWND main, Json& reply) {
  ProgressReading reading;
  if (!readProgress(GetDlgItem(main, IDC_PROGRESS), reading)) return false;
  reply["progress"] = {{"pos", reading.pos}, {"min", reading.min}, {"max", reading.max}};
  return true;
}

}  // namespace

bool readProgress(HWND bar, ProgressReading& reading) {
  LRESULT pos = 0;
  LRESULT low = 0;
  LRESULT high = 0;
  if (!sendWithTimeout(bar, PBM_GETPOS, 0, 0, pos) || !sendWithTimeout(bar, PBM_GETRANGE, TRUE, 0, low) ||
      !sendWithTimeout(bar, PBM_GETRANGE, FALSE, 0, high))
    return false;
  reading.pos = static_cast<int>(pos);
  reading.min = static_cast<int>(low);
  reading.max = static_cast<int>(high);
  return true;
}

bool describeMainWindow(HWND main, Json& reply, std::string& error) {
  Json controls = Json::object();
  for (HWND control : childWindows(main)) controls[std::to_string(GetDlgCtrlID(control))] = describeControl(control);
  reply["exists"] = true;
  reply["controls"] = controls;
  addFocus(main, reply);
  if (!addDefaultId(main, reply) || !addCombo(main, reply) || !addProgress(main, reply)) {
    error = "the main window did not answer in time";
    return false;
  }
  reply["rect"] = screenRect(main);
  // Whether a menu (the window menu among them) is being tracked on the window's thread.
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof thread;
  const bool menu = GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread) &&
                    (thread.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) != 0;
  reply["menu_mode"] = menu;
  return true;
}
