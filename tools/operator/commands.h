// One command line in, one reply object out.
#pragma once

#include "json.h"

#include <string>

struct CommandResult {
  Json reply;  // complete, starting with "ok"
  bool quit = false;
};

CommandResult runCommand(const std::string& line);
