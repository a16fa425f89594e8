// The full picture of the main window that the `state` command reports.
#pragma once

#include "json.h"

#include <windows.h>

#include <string>

struct ProgressReading {
  long long pos = 0;
  long long min = 0;
  long long max = 0;
};

bool readProgress(HWND bar, ProgressReading& reading);
// Adds every key of the state reply for an existing main window; false with
// error when the window stops answering messages.
bool describeMainWindow(HWND main, Json& reply, std::string& error);
