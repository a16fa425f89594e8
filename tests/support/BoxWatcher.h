// Watches the dialogs that the calling thread opens (message boxes, the About box):
// records caption, text, icon and buttons, and answers each one with OK.
#pragma once

#include <windows.h>

#include "box_read.h"

#include <string>
#include <vector>

struct SeenBox : BoxContent {
  DWORD executionState;  // what the thread had told Windows when the box came
};

class BoxWatcher {
 public:
  BoxWatcher();
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  // Leaves each box open this long before answering, as a person reading it would.
  void SetHold(UINT ms) { m_holdMs = ms; }
  // The hosted main window is no box: its own activations are not recorded.
  void Ignore(HWND window) { m_ignored = window; }
  std::vector<SeenBox> Take();  // the boxes seen since the last call

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Answer(HWND box, UINT, UINT_PTR, DWORD);
  HHOOK m_hook;
  UINT m_holdMs = 0;
  HWND m_ignored = nullptr;
  std::vector<SeenBox> m_seen;
};

class CUpdateDialog;
// The real main dialog, created hidden by a test program; its own activation is no box.
bool CreateHidden(CUpdateDialog& dialog, BoxWatcher& boxes);
