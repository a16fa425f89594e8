// Message boxes and the About box: the utility's other "#32770" windows.
#pragma once

#include "json.h"

#include <windows.h>

#include <string>
#include <vector>

struct BoxButton {
  HWND window;
  std::string label;  // without the mnemonic '&'
};

// Visible boxes of the main window's process, topmost first.
std::vector<HWND> openBoxes(HWND main);
// Every visible top-level window of any process (a help viewer, say), topmost first.
std::vector<HWND> topLevelWindows();
std::vector<BoxButton> boxButtons(HWND box);
// caption, text, icon, statics, buttons, owner_is_main.
Json describeBox(HWND box, HWND main);
// Presses the button as its dialog sees a click and waits until the box closes.
bool pressBoxButton(HWND box, const BoxButton& button, std::string& error);
