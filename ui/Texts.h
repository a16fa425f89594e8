// Every text the operator reads, in one place, exactly as the program shows it.
#pragma once

namespace Texts {
constexpr const char* Caption = "ZK-4100 Update";
constexpr const char* IdleStatus = "Select a serial port, then click OK to continue.";
constexpr const char* NoPorts = "There are no serial ports available.";
constexpr const char* PortOpenFailed = "Failed to open serial port.";
constexpr const char* LoadingProgram = "Loading a Write Control Program...";
constexpr const char* DeletingOldFirmware = "Deleting the Old Firmware Program...";
constexpr const char* Transferring = "Transferring the new firmware...";
constexpr const char* DetectionFailed = "Could not detect the ZK-4100.";
constexpr const char* ConnectionPrompt =
    "To start communication between the PC and ZK-4100: \n\n"
    "1. Switch off the ZK-4100 power.\n"
    "2. Connect the ZK-4100 to the PC using an RS-232C cable. \n"
    "3. Switch on the ZK-4100 power. \n\n"
    "When you are ready, click OK to continue.";
constexpr const char* NeedRights = "You need administrative privileges.";
constexpr const char* WritingModePrompt =
    "To set the ZK-4100 to firmware writing mode: \n\n"
    "1. Remove the power supply cable from the ZK-4100.\n"
    "2. Remove the RS-232C cable from the ZK-4100.\n"
    "3. Remove the bottom cover of the ZK-4100.\n"
    "4. Turn the switch (S1) ON.\n"
    "5. Reconnect the RS-232C cable to the ZK-4100.\n"
    "6. Reconnect the power supply cable to the ZK-4100.\n\n"
    "When you are ready, click OK to start writing the new firmware.\n"
    "It takes about 7 minutes to write the new firmware.";
constexpr const char* WriteFailed =
    "Failed!  The firmware has not been updated. \n\n"
    "Remove and reconnect the power supply cable.\n"
    "Then repeat the firmware writing step.";
constexpr const char* Completed = "Completed!  The firmware has been updated.";
constexpr const char* NormalModeInstructions =
    "To return the ZK-4100 to normal mode: \n\n"
    "1. Remove the power supply cable from the ZK-4100.\n"
    "2. Remove the RS-232C cable from the ZK-4100.\n"
    "3. Turn the switch (S1) OFF.\n"
    "4. Reattach the bottom cover of the ZK-4100.\n"
    "5. Reconnect the power supply cable to the ZK-4100.\n"
    "6. Execute the FULL RESET function of the ZK-4100.";
constexpr const char* HelpFailed = "Failed to launch help.";  // captioned with the application name
// A DLL of Windows' that a window cannot do without (its name, the error code), captioned with
// the application name.
constexpr const char* SystemDllMissing =
    "%s could not be loaded from the Windows system folder (error %lu).\n\nThe program cannot start.";
constexpr const char* ReadMismatch = "Test";  // a direct read returned another count than was queued
// Windows shows it when a shutdown, restart or log-off waits for a run to end.
constexpr const wchar_t* ShutdownReason =
    L"A firmware write to the ZK-4100 is under way. Stopping now leaves the radio without firmware.";
}  // namespace Texts
