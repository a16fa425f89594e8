// CString: the framework's text value.
#pragma once

#include <windows.h>

#include <string>

class CString {
 public:
  CString() = default;
  CString(const char* text) : m_text(text ? text : "") {}  // NOLINT: implicit like the texts it replaces

  CString& operator=(const char* text);
  bool operator==(const char* text) const { return m_text == (text ? text : ""); }
  bool operator!=(const char* text) const { return !(*this == text); }
  operator const char*() const { return m_text.c_str(); }  // NOLINT: used where the API wants a C string

  void Format(const char* format, ...);
  BOOL LoadString(UINT id);  // from the program's string table; FALSE when absent
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }

 private:
  std::string m_text;
};
