#include "window_text.h"

std::string wideToUtf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int wideLength = static_cast<int>(wide.size());
  int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(utf8Length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], utf8Length, nullptr, nullptr);
  return utf8;
}

namespace {

std::string ansiToUtf8(const std::string& ansi) {
  if (ansi.empty()) return ansi;
  int ansiLength = static_cast<int>(ansi.size());
  int wideLength = MultiByteToWideChar(CP_ACP, 0, ansi.data(), ansiLength, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), ansiLength, &wide[0], wideLength);
  return wideToUtf8(wide);
}

}  // namespace

// GetWindowTextA reads another process's stored caption without sending it a
// message, so a busy target cannot block us (GetWindowTextLengthA would send
// one); hence a buffer that grows until the text fits.
std::string windowText(HWND window) {
  for (int size = 512;; size *= 2) {
    std::string text(static_cast<size_t>(size), '\0');
    int copied = GetWindowTextA(window, &text[0], size);
    if (copied < size - 1) {
      text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
      return ansiToUtf8(text);
    }
  }
}

std::string windowClass(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string withoutMnemonic(const std::string& label) {
  std::string plain;
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '&' && i + 1 < label.size()) ++i;
    plain += label[i];
  }
  return plain;
}
