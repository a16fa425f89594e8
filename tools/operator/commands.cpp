#include "commands.h"

#include "boxes.h"
#include "input.h"
#include "state.h"
#include "target.h"
#include "watch.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

using Handler = bool (*)(const std::string& argument, JsonObject& reply, std::string& error);

bool parseNumber(const std::string& text, long& value, std::string& error) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < 0) {
    error = "expected a non-negative number, got '" + text + "'";
    return false;
  }
  return true;
}

bool requireMain(HWND& main, std::string& error) {
  main = findMainWindow();
  if (!main) error = "the main window is not open";
  return main != nullptr;
}

bool find(const std::string& argument, JsonObject&, std::string& error) {
  long ms = 0;
  if (!parseNumber(argument, ms, error)) return false;
  HWND main = nullptr;
  if (!pollUntil(static_cast<DWORD>(ms), [&main] {
        main = findMainWindow();
        return main && IsWindowVisible(main);
      })) {
    error = "no visible main window within " + argument + " ms";
    return false;
  }
  return true;
}

bool state(const std::string&, JsonObject& reply, std::string& error) {
  HWND main = findMainWindow();
  if (!main) {
    reply.flag("exists", false);
    return true;
  }
  return describeMainWindow(main, reply, error);
}

bool click(const std::string& argument, JsonObject& reply, std::string& error) {
  long id = 0;
  HWND main = nullptr;
  return parseNumber(argument, id, error) && requireMain(main, error) &&
         clickControl(main, static_cast<int>(id), reply, error);
}

bool key(const std::string& argument, JsonObject&, std::string& error) { return pressKeys(argument, error); }

std::string describeAll(HWND main, const std::vector<HWND>& boxes) {
  std::vector<std::string> described;
  for (HWND box : boxes) described.push_back(describeBox(box, main).text());
  return jsonArray(described);
}

bool waitBox(const std::string& argument, JsonObject& reply, std::string& error) {
  long ms = 0;
  if (!parseNumber(argument, ms, error)) return false;
  // A box may come while the main window is still being set up, or before it exists.
  HWND main = nullptr;
  std::vector<HWND> boxes;
  if (!pollUntil(static_cast<DWORD>(ms), [&] {
        main = findMainWindow();
        boxes = main ? openBoxes(main) : std::vector<HWND>();
        return !boxes.empty();
      })) {
    error = "no box within " + argument + " ms";
    return false;
  }
  reply.merge(describeBox(boxes.front(), main));
  return true;
}

bool boxes(const std::string&, JsonObject& reply, std::string& error) {
  HWND main = nullptr;
  if (!requireMain(main, error)) return false;
  reply.raw("boxes", describeAll(main, openBoxes(main)));
  return true;
}

// Every visible top-level window, the utility's or not: caption, texts and buttons.
bool windows(const std::string&, JsonObject& reply, std::string&) {
  std::vector<std::string> described;
  for (HWND window : topLevelWindows()) {
    described.push_back(describeBox(window, findMainWindow()).text());
  }
  reply.raw("windows", jsonArray(described));
  return true;
}

bool answerBox(const std::string& argument, JsonObject&, std::string& error) {
  HWND main = nullptr;
  if (!requireMain(main, error)) return false;
  for (HWND box : openBoxes(main)) {
    for (const BoxButton& button : boxButtons(box)) {
      if (button.label == argument) return pressBoxButton(box, button, error);
    }
  }
  error = "no open box has a button '" + argument + "'";
  return false;
}

bool post(HWND main, UINT message, WPARAM wParam, std::string& error) {
  if (!PostMessageA(main, message, wParam, 0)) {
    error = "could not post to the main window";
    return false;
  }
  return true;
}

bool close(const std::string&, JsonObject&, std::string& error) {
  HWND main = nullptr;
  return requireMain(main, error) && post(main, WM_CLOSE, 0, error);
}

bool postCommand(const std::string& argument, JsonObject&, std::string& error) {
  long id = 0;
  HWND main = nullptr;
  if (!parseNumber(argument, id, error)) return false;
  if (id > USHRT_MAX) {
    error = "command ids are 16 bits";
    return false;
  }
  return requireMain(main, error) && post(main, WM_COMMAND, static_cast<WPARAM>(id), error);
}

// watch MS [stop-at-box]
bool watch(const std::string& argument, JsonObject& reply, std::string& error) {
  const size_t space = argument.find(' ');
  const std::string mode = space == std::string::npos ? "" : argument.substr(space + 1);
  if (!mode.empty() && mode != "stop-at-box") {
    error = "unknown watch mode '" + mode + "'";
    return false;
  }
  long ms = 0;
  HWND main = nullptr;
  return parseNumber(argument.substr(0, space), ms, error) && requireMain(main, error) &&
         watchMainWindow(main, static_cast<DWORD>(ms), mode == "stop-at-box", reply, error);
}

bool quit(const std::string&, JsonObject&, std::string&) { return true; }

struct Command {
  const char* name;
  Handler handler;
};

constexpr Command commands[] = {
    {"find", find},        {"state", state},
    {"click", click},      {"key", key},
    {"wait-box", waitBox}, {"answer-box", answerBox},
    {"boxes", boxes},      {"windows", windows},
    {"close", close},      {"post-command", postCommand},
    {"watch", watch},      {"quit", quit},
};

}  // namespace

CommandResult runCommand(const std::string& line) {
  size_t space = line.find(' ');
  std::string name = line.substr(0, space);
  std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
  CommandResult result;
  std::string error = "unknown command '" + name + "'";
  for (const Command& command : commands) {
    if (name != command.name) continue;
    JsonObject reply;
    error.clear();
    if (command.handler(argument, reply, error)) {
      result.reply.flag("ok", true).merge(reply);
      result.quit = command.handler == quit;
      return result;
    }
    break;
  }
  result.reply.flag("ok", false).str("error", error);
  return result;
}
