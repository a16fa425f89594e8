// Watches the dialogs that the calling thread opens (message boxes, the About box):
// records caption, text, icon and buttons, and answers each one with OK.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/resource.h"

struct SeenBox {
  std::string caption;
  std::string text;                  // the message: the first text static
  std::string icon;                  // "information", "exclamation", "stop", "question" or "none"
  std::vector<std::string> buttons;  // labels without the mnemonic '&'
  DWORD executionState;              // what the thread had told Windows when the box came
  bool caution;                      // whether the main window showed its caution line then
};

class BoxWatcher {
 public:
  BoxWatcher();
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  // Leaves each box open this long before answering, as a person reading it would.
  void SetHold(UINT ms) { m_holdMs = ms; }
  std::vector<SeenBox> Take();  // the boxes seen since the last call

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Answer(HWND box, UINT, UINT_PTR, DWORD);
  HHOOK m_hook;
  UINT m_holdMs = 0;
  std::vector<SeenBox> m_seen;
};

// Whether the main window shows its caution line: by its style, as the window may be hidden.
inline bool CautionShown(HWND dialog) {
  return (::GetWindowLongA(::GetDlgItem(dialog, IDC_CAUTION), GWL_STYLE) & WS_VISIBLE) != 0;
}

class CUpdateDialog;
// The real main dialog, created hidden by a test program. The boxes it shows as it starts (no
// port to list) are kept for the watcher's first Take().
bool CreateHidden(CUpdateDialog& dialog);
