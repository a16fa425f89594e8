// Elevation, and the desktop's shell, which starts what an elevated run must not start itself.
#pragma once

// True when the process runs with an administrator's rights (and when that cannot be told).
bool RunsElevated();

// Asks the desktop's shell (Explorer, as the signed-in user runs it) to open `path` as a double
// click there would: what it starts runs as the desktop does, without the elevation of this
// process. False when no desktop shell takes the request. Needs a single-threaded COM apartment on
// the calling thread, and may take as long as the shell does.
bool OpenInDesktopShell(const char* path);
