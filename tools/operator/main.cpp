// operator: drives the ZK-4100 Update window for end-to-end tests. Reads one
// command per stdin line and answers each with one JSON line on stdout.
#include "commands.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <string>

int main() {
  // Binary stdout: the CRT would otherwise turn every "\n" into "\r\n".
  _setmode(_fileno(stdout), _O_BINARY);
  std::string line;
  while (std::getline(std::cin, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    CommandResult result = runCommand(line);
    writeLine(result.reply);
    if (result.quit) return 0;
  }
  return 0;
}
