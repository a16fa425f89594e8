// The registry marker: the one value that outlives a run. 3120 in "Data" means a
// radio has been identified in normal mode on this machine, for every user.
#pragma once

#include <windows.h>

constexpr DWORD IDENTIFIED_MARKER = 3120;
constexpr const char* MARKER_KEY = "SOFTWARE\\HALDREN\\ZK-4100 Update";
constexpr const char* MARKER_VALUE = "Data";

// Reads "Data" into `marker`; a value that is not a 4-byte number reads as 0, and a key or
// value that cannot be opened or queried at all leaves `marker` as it was.
void ReadMarker(DWORD& marker);
// Stores 3120. The key is opened, never created; a failure is left to the read-back.
void WriteMarker();
