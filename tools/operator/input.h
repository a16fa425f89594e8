// Real operator input through SendInput, so the target's own input handling
// (disabled controls, dialog keys, mnemonics) is what gets exercised.
#pragma once

#include "json.h"

#include <windows.h>

#include <string>

// Brings the main window (or its open box) to the foreground and left-clicks
// the centre of the control; reports the screen point clicked.
bool clickControl(HWND main, int id, Json& reply, std::string& error);
// Keys such as "enter", "alt+f4", "shift+tab" go to whatever has the focus.
bool pressKeys(const std::string& chord, std::string& error);
