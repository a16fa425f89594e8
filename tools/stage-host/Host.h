// The stage host: runs the dialog's operations one command at a time for the
// stage tests, with the real dialog hidden and the serial port of the test.
#pragma once

#include <sstream>
#include <string>

#include "Observer.h"
#include "json.h"
#include "support/BoxWatcher.h"
#include "ui/UpdateDialog.h"

struct Host {
  CUpdateDialog& dialog;
  Observer& observer;
  BoxWatcher& boxes;
};

// Runs one command line; writes its fields into `reply`. False for an unknown command.
bool RunCommand(Host& host, const std::string& name, std::istringstream& args, Json& reply);

// The command loop, until "quit" or the end of input: the program's exit code.
int RunStageHost();
