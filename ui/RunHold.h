// What a run holds of the PC while the radio is written, from the loader transfer to the result.
// A write stopped half way leaves the radio without firmware, and one slowed down misses its time;
// so meanwhile the system and the display stay awake, Windows asks before it ends the session and
// names our reason, and the process keeps its speed and its 1 ms timer while minimised or covered.
#pragma once

#include <windows.h>

#include "framework/String.h"

class CRunHold {
 public:
  using TimerPeriod = UINT(WINAPI*)(UINT);  // timeBeginPeriod and timeEndPeriod
  // Takes every hold for `window`; Got() then says which the run got, for its record.
  void Take(HWND window);
  // Gives each back: the PC is the system's again.
  void Release();
  bool Held() const { return m_window != nullptr; }
  const CString& Got() const { return m_got; }

 private:
  HWND m_window = nullptr;
  TimerPeriod m_timerEnd = nullptr;  // timeEndPeriod, once the 1 ms timer is set
  CString m_got;
};
