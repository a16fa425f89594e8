#include "commands.h"

#include "boxes.h"
#include "state.h"
#include "target.h"
#include "update/Marker.h"
#include "watch.h"

#include <windows.h>

#include <aclapi.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

using Handler = bool (*)(const std::string& argument, Json& reply, std::string& error);

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

bool find(const std::string& argument, Json&, std::string& error) {
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

bool state(const std::string&, Json& reply, std::string& error) {
  HWND main = findMainWindow();
  if (!main) {
    reply["exists"] = false;
    return true;
  }
  return describeMainWindow(main, reply, error);
}

Json describeAll(HWND main, const std::vector<HWND>& windows) {
  Json described = Json::array();
  for (HWND window : windows) described.push_back(describeBox(window, main));
  return described;
}

bool waitBox(const std::string& argument, Json& reply, std::string& error) {
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
  reply.update(describeBox(boxes.front(), main));
  return true;
}

bool boxes(const std::string&, Json& reply, std::string& error) {
  HWND main = nullptr;
  if (!requireMain(main, error)) return false;
  reply["boxes"] = describeAll(main, openBoxes(main));
  return true;
}

// Every visible top-level window, the utility's or not: caption, texts and buttons.
bool windows(const std::string&, Json& reply, std::string&) {
  reply["windows"] = describeAll(findMainWindow(), topLevelWindows());
  return true;
}

bool answerBox(const std::string& argument, Json&, std::string& error) {
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

bool close(const std::string&, Json&, std::string& error) {
  HWND main = nullptr;
  return requireMain(main, error) && post(main, WM_CLOSE, 0, error);
}

bool postCommand(const std::string& argument, Json&, std::string& error) {
  long id = 0;
  HWND main = nullptr;
  if (!parseNumber(argument, id, error)) return false;
  if (id > USHRT_MAX) {
    error = "command ids are 16 bits";
    return false;
  }
  return requireMain(main, error) && post(main, WM_COMMAND, static_cast<WPARAM>(id), error);
}

bool watch(const std::string& argument, Json&, std::string& error) {
  long ms = 0;
  HWND main = nullptr;
  if (!parseNumber(argument, ms, error) || !requireMain(main, error)) return false;
  watchMainWindow(main, static_cast<DWORD>(ms));
  return true;
}

// Everyone's rights on the marker key, as an administrator may leave them: "read" makes it
// unwritable for the utility, "all" gives them back (then reg.exe can delete the key).
bool markerRights(const std::string& argument, Json&, std::string& error) {
  if (argument != "read" && argument != "all") {
    error = "the rights are read or all";
    return false;
  }
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  EXPLICIT_ACCESSA access = {};
  access.grfAccessPermissions = argument == "read" ? KEY_READ : KEY_ALL_ACCESS;
  access.grfAccessMode = SET_ACCESS;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<char*>(everyone);
  PACL acl = nullptr;
  HKEY key = nullptr;
  // Protected: nothing inherited from the parent adds rights back. The owner may always set them.
  const bool set =
      SetEntriesInAclA(1, &access, nullptr, &acl) == ERROR_SUCCESS &&
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, MARKER_KEY, 0, WRITE_DAC, &key) == ERROR_SUCCESS &&
      SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                      nullptr, acl, nullptr) == ERROR_SUCCESS;
  if (key) RegCloseKey(key);
  LocalFree(acl);
  FreeSid(everyone);
  if (!set) error = "could not set the rights on the marker key";
  return set;
}

bool quit(const std::string&, Json&, std::string&) { return true; }

struct Command {
  const char* name;
  Handler handler;
};

constexpr Command commands[] = {
    {"find", find},        {"state", state},
    {"wait-box", waitBox}, {"answer-box", answerBox},
    {"boxes", boxes},      {"windows", windows},
    {"close", close},      {"post-command", postCommand},
    {"watch", watch},      {"marker-rights", markerRights},
    {"quit", quit},
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
    Json reply = Json::object();
    error.clear();
    if (command.handler(argument, reply, error)) {
      result.reply = {{"ok", true}};
      result.reply.update(reply);
      result.quit = command.handler == quit;
      return result;
    }
    break;
  }
  result.reply = {{"ok", false}, {"error", error}};
  return result;
}
