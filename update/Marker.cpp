#include "update/Marker.h"

void ReadMarker(DWORD& marker) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, MARKER_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  DWORD value = 0;
  DWORD size = sizeof value;
  const LONG status = ::RegQueryValueExA(key, MARKER_VALUE, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  if (status == ERROR_SUCCESS && size == sizeof value) {
    marker = value;
  } else if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    // "Data" is there but is no 4-byte number: not identified. Kept as it was, a 3120 in
    // memory would pass the read-back although nothing was stored.
    marker = 0;
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
