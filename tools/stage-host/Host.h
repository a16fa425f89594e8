// The stage host: runs the dialog's operations one command at a time for the
// stage tests, with the real dialog hidden and the serial port of the test.
#pragma once

#include <sstream>
#include <string>

#include "Observer.h"
#include "json.h"
#include "BoxWatcher.h"
#include "ui/UpdateDialog.h"

struct Host {
  CUpdateDialog& dialog;
  Observer& observer;
  BoxWatcher& boxes;
};

// The window menu as [command id (0 for a separator), text] pairs; the standard one that the
// platform gives a window of the main dialog's styles; whether a message opens a menu
// ("keyboard", "mouse", "context").
Json MenuEntries(HMENU menu);
Json StandardWindowMenu();
bool OpensAMenu(HWND window, const std::string& how);

// Runs one command line; writes its fields into `reply`. False for an unknown command.
bool RunCommand(Host& host, const std::string& name, std::istringstream& args, Json& reply);
