// The window under test: how to find it, its control ids, and safe messaging.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/resource.h"  // the control ids, as the utility itself names them

HWND findMainWindow();
std::vector<HWND> childWindows(HWND parent);
DWORD processOf(HWND window);

// The target pumps messages only between work steps, so every query carries a
// time-out; false means it did not answer in time. Sent as a Unicode message:
// Wine hands back UTF-16 for CB_GETLBTEXT sent with the ANSI call across
// processes, and for messages without text the two are the same.
bool sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Polls done() about every 10 ms until it holds or ms elapse; true if it held.
template <typename Done>
bool pollUntil(DWORD ms, Done done) {
  DWORD started = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - started >= ms) return false;
    Sleep(10);
  }
}
