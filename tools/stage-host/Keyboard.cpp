// Prints the caption of the window that takes the keys in Wine's desktop, or nothing: the
// top-level window that holds the focus of the foreground window's thread, or is active there
// (where the system sends a key). The X input focus cannot tell it: Wine's desktop hands every
// key to that window, and its requests for the X focus are at times refused. A second line
// names the window that owns it, if any: a box owned by none can fall behind the main window.
#include <windows.h>

#include <cstdio>

int main() {
  char caption[256] = "", owner[256] = "";
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof thread;
  ::GetGUIThreadInfo(0, &thread);  // thread 0: the foreground window's; all empty without one
  const HWND keys = thread.hwndFocus ? thread.hwndFocus : thread.hwndActive;
  const HWND root = keys ? ::GetAncestor(keys, GA_ROOT) : nullptr;
  const HWND by = root ? ::GetWindow(root, GW_OWNER) : nullptr;
  if (root) ::GetWindowTextA(root, caption, sizeof caption);
  if (by) ::GetWindowTextA(by, owner, sizeof owner);
  std::printf("%s\n%s\n", caption, owner);
}
