#include "boxes.h"

#include "target.h"
#include "window_text.h"

namespace {

struct BoxSearch {
  HWND main;
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK collectBox(HWND window, LPARAM context) {
  BoxSearch& search = *reinterpret_cast<BoxSearch*>(context);
  if (window != search.main && IsWindowVisible(window) && windowClass(window) == "#32770" &&
      processOf(window) == search.process)
    search.found.push_back(window);
  return TRUE;
}

BOOL CALLBACK collectVisible(HWND window, LPARAM context) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  return TRUE;
}

bool isTextStatic(HWND control) {
  if (windowClass(control) != "Static") return false;
  switch (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) {
    case SS_ICON:
    case SS_BITMAP:
    case SS_ENHMETAFILE:
    case SS_ETCHEDFRAME:
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT:
      return false;
    default:
      return true;
  }
}

}  // namespace

std::vector<HWND> openBoxes(HWND main) {
  BoxSearch search{main, processOf(main), {}};
  EnumWindows(collectBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> topLevelWindows() {
  std::vector<HWND> found;
  EnumWindows(collectVisible, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<BoxButton> boxButtons(HWND box) {
  std::vector<BoxButton> buttons;
  for (HWND child : childWindows(box)) {
    if (windowClass(child) == "Button" && IsWindowVisible(child))
      buttons.push_back({child, withoutMnemonic(windowText(child))});
  }
  return buttons;
}

// A message box's message is its one non-empty text static; the icon is a
// static too but carries no text.
JsonObject describeBox(HWND box, HWND main) {
  std::vector<std::string> statics;
  for (HWND child : childWindows(box)) {
    std::string text = windowText(child);
    if (isTextStatic(child) && !text.empty()) statics.push_back(text);
  }
  std::vector<std::string> labels;
  for (const BoxButton& button : boxButtons(box)) labels.push_back(button.label);
  JsonObject out;
  out.str("caption", windowText(box))
      .str("text", statics.empty() ? std::string() : statics.front())
      .raw("statics", jsonStringArray(statics))
      .raw("buttons", jsonStringArray(labels))
      .flag("owner_is_main", GetWindow(box, GW_OWNER) == main);
  return out;
}

// Posting the dialog's WM_COMMAND does exactly what a click on the button ends
// in, without depending on foreground, capture or the box's input grace time.
bool pressBoxButton(HWND box, const BoxButton& button, std::string& error) {
  WPARAM command = MAKEWPARAM(GetDlgCtrlID(button.window), BN_CLICKED);
  if (!PostMessageA(box, WM_COMMAND, command, reinterpret_cast<LPARAM>(button.window))) {
    error = "could not post to the box";
    return false;
  }
  if (!pollUntil(5000, [box] { return !IsWindow(box) || !IsWindowVisible(box); })) {
    error = "the box did not close after pressing " + button.label;
    return false;
  }
  return true;
}
