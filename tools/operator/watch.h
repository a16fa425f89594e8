// Following a whole run: one event line per change, boxes answered with their
// first button, until the start button comes back or time runs out.
#pragma once

#include "json.h"

#include <windows.h>

#include <string>

bool watchMainWindow(HWND main, DWORD ms, JsonObject& reply, std::string& error);
