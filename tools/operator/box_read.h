// What a message box shows, read the same way by the operator (from another process) and
// by the test programs' box watcher (in process).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct BoxContent {
  std::string caption;
  std::string text;                  // the message: the first text static
  std::string icon;                  // "information", "exclamation", "stop", "question" or "none"
  std::vector<std::string> statics;  // every text static (an About box has several)
  std::vector<std::string> buttons;  // labels without the mnemonic '&'
};

BoxContent readBox(HWND box);
