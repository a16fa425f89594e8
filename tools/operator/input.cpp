#include "input.h"

#include "target.h"

#include <cctype>
#include <vector>

namespace {

struct NamedKey {
  const char* name;
  WORD key;
};

constexpr NamedKey namedKeys[] = {
    {"enter", VK_RETURN}, {"esc", VK_ESCAPE}, {"space", VK_SPACE}, {"alt", VK_MENU},
    {"up", VK_UP},        {"down", VK_DOWN},  {"f4", VK_F4},
};

bool keyFromName(const std::string& name, WORD& key) {
  for (const NamedKey& named : namedKeys) {
    if (name == named.name) {
      key = named.key;
      return true;
    }
  }
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    key = static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
    return true;
  }
  return false;
}

bool isExtended(WORD key) { return key == VK_UP || key == VK_DOWN; }

INPUT keyInput(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (isExtended(key) ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

INPUT mouseInput(DWORD flags, LONG x, LONG y) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = x;
  input.mi.dy = y;
  input.mi.dwFlags = flags;
  return input;
}

// Absolute mouse coordinates run 0..65535 across the primary screen.
LONG normalised(LONG pixel, int extent) {
  return static_cast<LONG>((static_cast<long long>(pixel) * 65536 + extent - 1) / extent);
}

bool send(std::vector<INPUT>& inputs, std::string& error) {
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    error = "SendInput failed";
    return false;
  }
  // Input is queued, not handled: give the target a moment so a following
  // `state` usually sees the effect.
  Sleep(100);
  return true;
}

}  // namespace

bool clickControl(HWND main, int id, Json& reply, std::string& error) {
  HWND control = GetDlgItem(main, id);
  if (!control) {
    error = "no control " + std::to_string(id);
    return false;
  }
  if (IsIconic(main)) {
    error = "the main window is minimised";
    return false;
  }
  // With a box open the main window is disabled; as for a real click, the
  // box comes forward and keeps the keyboard, so later keys still reach it.
  HWND front = GetLastActivePopup(main);
  SetForegroundWindow(front);
  if (!pollUntil(1000, [front] { return GetForegroundWindow() == front; })) {
    error = "could not bring the window to the foreground";
    return false;
  }
  RECT rect;
  GetWindowRect(control, &rect);
  LONG x = (rect.left + rect.right) / 2;
  LONG y = (rect.top + rect.bottom) / 2;
  LONG dx = normalised(x, GetSystemMetrics(SM_CXSCREEN));
  LONG dy = normalised(y, GetSystemMetrics(SM_CYSCREEN));
  std::vector<INPUT> inputs = {
      mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, dx, dy),
      mouseInput(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, dx, dy),
      mouseInput(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, dx, dy),
  };
  if (!send(inputs, error)) return false;
  reply.update({{"x", x}, {"y", y}});
  return true;
}

bool pressKeys(const std::string& chord, std::string& error) {
  std::vector<WORD> keys;
  size_t start = 0;
  for (;;) {
    size_t plus = chord.find('+', start);
    std::string name = chord.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    WORD key = 0;
    if (!keyFromName(name, key)) {
      error = "unknown key '" + name + "'";
      return false;
    }
    keys.push_back(key);
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  // Modifiers first, released in reverse order, as fingers do.
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back(keyInput(key, false));
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(keyInput(*key, true));
  return send(inputs, error);
}
