// Records what the dialog shows while a stage runs: status and percent texts,
// progress bar range and positions, caution line visibility, in order.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DisplayEvent {
  std::string what;  // "status", "percent", "pos", "range", "caution"
  std::string text;  // for texts
  long long value;   // for numbers and visibility
};

class Observer {
 public:
  explicit Observer(HWND dialog);
  std::vector<DisplayEvent> Take();
  // Runs `action` once, when the percent text first becomes `text` (used to
  // press Cancel at a chosen point of a stage).
  void OnPercent(const std::string& text, void (*action)(HWND dialog));

 private:
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
  void Record(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
};
