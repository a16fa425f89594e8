#include <exception>
#include <iostream>

#include "Host.h"
#include "framework/WinApp.h"

namespace {
class CHostApp : public CWinApp {
 public:
  BOOL InitInstance() override { return FALSE; }  // the host creates the dialog itself
} theHostApp;
}  // namespace

int main() {
  theHostApp.Startup();
  theHostApp.Enable3dControls();
  Watcher watcher;
  CUpdateDialog dialog;
  if (!dialog.Create()) return 1;
  dialog.ShowWindow(SW_HIDE);
  watcher.Watch(dialog.m_hWnd);

  std::string line;
  while (std::getline(std::cin, line)) {
    const Json command = Json::parse(line, nullptr, false);
    const bool named = command.is_array() && !command.empty() && command[0].is_string();
    const std::string name = named ? command[0].get<std::string>() : line;
    if (name == "quit") break;
    Json reply = {{"ok", false}, {"cmd", name}, {"ms", 0}};
    const ULONGLONG started = ::GetTickCount64();
    try {
      reply["ok"] = named && RunCommand(dialog, watcher, command, reply);
    } catch (const std::exception& error) {  // arguments of the wrong kind
      reply["error"] = error.what();
    }
    reply["ms"] = ::GetTickCount64() - started;
    reply.update(watcher.Take());
    // One line, flushed at once: the caller blocks on each.
    std::cout << reply.dump(-1, ' ', false, Json::error_handler_t::replace) << std::endl;
  }
  dialog.StopReader();
  dialog.ClosePort();
  return 0;
}
