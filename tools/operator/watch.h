// Following a whole run: one event line per change, until the start button comes
// back or time runs out. Boxes are answered with their first button, or, with
// `stopAtBox`, reported and left open for the caller (the watch then ends; a
// later watch carries on with the same run).
#pragma once

#include "json.h"

#include <windows.h>

#include <string>

bool watchMainWindow(HWND main, DWORD ms, bool stopAtBox, JsonObject& reply, std::string& error);
