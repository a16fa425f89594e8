// Reading texts and classes of another process's windows, as UTF-8 for JSON.
#pragma once

#include <windows.h>

#include <string>

std::string windowText(HWND window);
std::string windowClass(HWND window);
std::string wideToUtf8(const std::wstring& wide);
// "&Cancel" -> "Cancel", "R&&D" -> "R&D": how an operator reads a button.
std::string withoutMnemonic(const std::string& label);
