// Reads commands from stdin, one a line, and answers each with one JSON line
// that also lists the message boxes and display changes the command caused.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Host.h"
#include "support/TestApp.h"

namespace {
CTestApp theTestApp;

void AddSeen(Host& host, JsonObject& reply) {
  std::vector<std::string> boxes;
  for (const SeenBox& box : host.boxes.Take()) {
    boxes.push_back(JsonObject()
                        .str("caption", box.caption)
                        .str("text", box.text)
                        .str("icon", box.icon)
                        .raw("buttons", jsonStringArray(box.buttons))
                        .num("execution_state", box.executionState)
                        .text());
  }
  std::vector<std::string> display;
  for (const DisplayEvent& event : host.observer.Take()) {
    const bool isText = event.what == "status" || event.what == "percent";
    display.push_back(jsonArray({jsonQuote(event.what), isText ? jsonQuote(event.text) : std::to_string(event.value)}));
  }
  reply.raw("boxes", jsonArray(boxes)).raw("display", jsonArray(display));
}
}  // namespace

int main() {
  theTestApp.Startup();
  theTestApp.Enable3dControls();
  BoxWatcher boxes;
  CUpdateDialog dialog;
  if (!dialog.Create()) return 1;
  dialog.ShowWindow(SW_HIDE);
  boxes.Ignore(dialog.m_hWnd);
  boxes.Take();  // its own activation while it was created
  Observer observer(dialog.m_hWnd);
  Host host{dialog, observer, boxes};

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream args(line);
    std::string name;
    args >> name;
    if (name.empty()) continue;
    if (name == "quit") break;
    JsonObject result;
    const ULONGLONG started = ::GetTickCount64();
    const bool known = RunCommand(host, name, args, result);
    JsonObject reply;
    reply.flag("ok", known).str("cmd", name).num("ms", ::GetTickCount64() - started).merge(result);
    AddSeen(host, reply);
    writeLine(reply);
  }
  dialog.StopReader();
  dialog.ClosePort();
  return 0;
}
