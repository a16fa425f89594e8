// For each line read, the caption of the window that takes the keys in Wine's desktop, or an
// empty line: the top-level window that holds the focus of the foreground window's thread, or
// is active there (where the system sends a key). The X input focus cannot tell it: Wine's
// desktop hands every key to that window, and its requests for the X focus are at times refused.
#include <windows.h>

#include <cstdio>

int main() {
  char line[16];
  while (std::fgets(line, sizeof line, stdin)) {
    char caption[256] = "";
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    const HWND foreground = ::GetForegroundWindow();
    if (foreground && ::GetGUIThreadInfo(::GetWindowThreadProcessId(foreground, nullptr), &thread)) {
      ::GetWindowTextA(::GetAncestor(thread.hwndFocus ? thread.hwndFocus : thread.hwndActive, GA_ROOT), caption,
                       sizeof caption);
    }
    std::printf("%s\n", caption);
    std::fflush(stdout);
  }
  return 0;
}
