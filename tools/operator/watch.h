// Following a run: one event line per change, until its next message box (reported and
// left open for the caller: a later watch carries on with the same run), until the start
// button comes back, or until time runs out.
#pragma once

#include <windows.h>

void watchMainWindow(HWND main, DWORD ms);
