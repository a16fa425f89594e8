// Every text the operator reads, in one place, exactly as the program shows it.
#pragma once

namespace Texts {
constexpr const char* Caption = "ZK-4100 Update";
constexpr const char* IdleStatus = "Select a serial port, then click OK to continue.";
constexpr const char* NoPorts = "There are no serial ports available.";
constexpr const char* PortOpenFailed = "Failed to open serial port.";
}  // namespace Texts
