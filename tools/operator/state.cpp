#include "state.h"

#include "target.h"
#include "window_text.h"

#include <commctrl.h>

namespace {

JsonObject describeControl(HWND control) {
  LONG style = GetWindowLongA(control, GWL_STYLE);
  JsonObject out;
  out.str("class", windowClass(control))
      .str("text", windowText(control))
      .flag("enabled", IsWindowEnabled(control) != FALSE)
      .flag("visible", (style & WS_VISIBLE) != 0)
      .num("style", static_cast<long long>(static_cast<DWORD>(style)));
  return out;
}

// Focus may sit on an inner window of a control (a combo box's list); report
// the main window's child that contains it.
void addFocus(HWND main, JsonObject& reply) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND focus = nullptr;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) focus = info.hwndFocus;
  while (focus && GetAncestor(focus, GA_PARENT) != main) focus = GetAncestor(focus, GA_PARENT);
  if (focus)
    reply.num("focus", GetDlgCtrlID(focus));
  else
    reply.null("focus");
}

bool addDefaultId(HWND main, JsonObject& reply) {
  LRESULT answer = 0;
  if (!sendWithTimeout(main, DM_GETDEFID, 0, 0, answer)) return false;
  if (HIWORD(answer) == DC_HASDEFID)
    reply.num("default_id", LOWORD(answer));
  else
    reply.null("default_id");
  return true;
}

bool addCombo(HWND main, JsonObject& reply) {
  HWND combo = GetDlgItem(main, IDC_PORT);
  if (!combo) {
    reply.null("combo");
    return true;
  }
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
  JsonObject out;
  out.raw("items", jsonStringArray(items)).num("selection", selection == CB_ERR ? -1 : selection);
  reply.raw("combo", out.text());
  return true;
}

bool addProgress(HWND main, JsonObject& reply) {
  HWND bar = GetDlgItem(main, IDC_PROGRESS);
  if (!bar) {
    reply.null("progress");
    return true;
  }
  ProgressReading reading;
  if (!readProgress(bar, reading)) return false;
  JsonObject out;
  out.num("pos", reading.pos).num("min", reading.min).num("max", reading.max);
  reply.raw("progress", out.text());
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

bool describeMainWindow(HWND main, JsonObject& reply, std::string& error) {
  JsonObject controls;
  for (HWND control : childWindows(main))
    controls.raw(std::to_string(GetDlgCtrlID(control)), describeControl(control).text());
  reply.flag("exists", true).raw("controls", controls.text());
  addFocus(main, reply);
  if (!addDefaultId(main, reply) || !addCombo(main, reply) || !addProgress(main, reply)) {
    error = "the main window did not answer in time";
    return false;
  }
  RECT rect;
  GetWindowRect(main, &rect);
  reply.raw("rect", "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                        std::to_string(rect.right) + "," + std::to_string(rect.bottom) + "]");
  // Whether a menu (the window menu among them) is being tracked on the window's thread.
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof thread;
  const bool menu = GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread) &&
                    (thread.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) != 0;
  reply.flag("menu_mode", menu);
  return true;
}
