#include "framework/String.h"

#include <cstdarg>
#include <cstdio>

#include "framework/WinApp.h"

CString& CString::operator=(const char* text) {
  m_text = text ? text : "";
  return *this;
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  m_text.assign(length > 0 ? length : 0, '\0');
  if (length > 0) std::vsnprintf(&m_text[0], length + 1, format, args);
  va_end(args);
}

BOOL CString::LoadString(UINT id) {
  // The string table holds UTF-16; the A call converts and truncates to the buffer.
  char buffer[256];
  const int length = ::LoadStringA(AfxGetInstanceHandle(), id, buffer, sizeof buffer);
  m_text.assign(buffer, length > 0 ? length : 0);
  return length > 0;
}
