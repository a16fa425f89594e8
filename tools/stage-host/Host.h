// The stage host: the real dialog, hidden, driven one command at a time by the in-process
// tests and make bench. Commands and replies are JSON, one a line (Debian's nlohmann-json3-dev).
#pragma once

#include <windows.h>

#include <nlohmann/json.hpp>
#include <string>

#include "ui/UpdateDialog.h"

using Json = nlohmann::ordered_json;  // keys in the order written: replies read naturally

// Watches what the dialog's thread shows: each box it opens (answered with OK, after a hold
// as a person reading it would) and each change to the status, percent and progress bar.
class Watcher {
 public:
  Watcher();  // boxes from now on: those of the dialog's creation (no port to list) count
  ~Watcher();
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;
  void Watch(HWND dialog);  // its display, once it exists
  void SetHold(UINT ms);
  // Runs `action` once, when the percent text first becomes `text` (a Cancel at a chosen point).
  void OnPercent(const std::string& text, void (*action)(HWND dialog));
  Json Take();  // {"boxes": [...], "display": [...]} since the last call
};

// Whether the main window shows its caution line: by its style, as the window is hidden.
bool CautionShown(HWND dialog);

// The window menu as [command id (0 for a separator), text] pairs; the standard one that the
// platform gives a window of the main dialog's styles; whether a message opens a menu
// ("keyboard", "mouse", "context").
Json MenuEntries(HMENU menu);
Json StandardWindowMenu();
bool OpensAMenu(HWND window, const std::string& how);

// The next `count` reads of the port give one byte less than asked; false if the program's
// import of ReadFile was not found to replace (once per host).
bool ShortenReads(int count);

// Runs one command, [name, arguments...]; writes its fields into `reply`. False for an unknown name.
bool RunCommand(CUpdateDialog& dialog, Watcher& watcher, const Json& command, Json& reply);
