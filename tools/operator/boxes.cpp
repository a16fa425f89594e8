#include "boxes.h"

#include "box_read.h"

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

Json describeBox(HWND box, HWND main) {
  const BoxContent content = readBox(box);
  return {{"caption", content.caption}, {"text", content.text},
          {"icon", content.icon},       {"statics", content.statics},
          {"buttons", content.buttons}, {"owner_is_main", GetWindow(box, GW_OWNER) == main}};
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
