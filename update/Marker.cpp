#include "update/Marker.h"

void ReadMarker(DWORD& marker) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, MARKER_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  DWORD value = 0;
  DWORD size = sizeof value;
  // Only a complete DWORD replaces the marker.
  if (::RegQueryValueExA(key, MARKER_VALUE, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
          ERROR_SUCCESS &&
      size == sizeof value) {
    marker = value;
  }
  ::RegCloseKey(key);
}

void WriteMarker() {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, MARKER_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  const DWORD value = IDENTIFIED_MARKER;
  ::RegSetValueExA(key, MARKER_VALUE, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  ::RegCloseKey(key);
}
