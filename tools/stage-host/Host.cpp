// The stage tests' host: reads commands from stdin, one a line, and answers each with one
// JSON line that also lists the message boxes and display changes the command caused.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Host.h"
#include "framework/WinApp.h"

namespace {
void AddSeen(Host& host, Json& reply) {
  Json& boxes = reply["boxes"] = Json::array();
  for (const SeenBox& box : host.boxes.Take()) {
    boxes.push_back({{"caption", box.caption},
                     {"text", box.text},
                     {"icon", box.icon},
                     {"buttons", box.buttons},
                     {"execution_state", box.executionState},
                     {"caution", box.caution}});
  }
  Json& display = reply["display"] = Json::array();
  for (const DisplayEvent& event : host.observer.Take()) {
    const bool isText = event.what == "status" || event.what == "percent";
    display.push_back({event.what, isText ? Json(event.text) : Json(event.value)});
  }
}

class CHostApp : public CWinApp {
 public:
  BOOL InitInstance() override { return FALSE; }  // the host creates the dialog itself
} theHostApp;
}  // namespace

int main() {
  theHostApp.Startup();
  theHostApp.Enable3dControls();
  BoxWatcher boxes;
  CUpdateDialog dialog;
  if (!CreateHidden(dialog)) return 1;
  Observer observer(dialog.m_hWnd);
  Host host{dialog, observer, boxes};

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream args(line);
    std::string name;
    args >> name;
    if (name.empty()) continue;
    if (name == "quit") break;
    Json result = Json::object();
    const ULONGLONG started = ::GetTickCount64();
    const bool known = RunCommand(host, name, args, result);
    Json reply = {{"ok", known}, {"cmd", name}, {"ms", ::GetTickCount64() - started}};
    reply.update(result);
    AddSeen(host, reply);
    writeLine(reply);
  }
  dialog.StopReader();
  dialog.ClosePort();
  return 0;
}
