#include "ui/RunHold.h"

#include <string>

#include "framework/SystemDll.h"
#include "ui/Texts.h"
#include "ui/UpdateDialog.h"
#include "update/RunRecord.h"

namespace {
// Throttling that Windows may impose on a process it deems in the background: its speed
// (EcoQoS), and, from Windows 11, its timer resolution while its windows are hidden.
constexpr ULONG THROTTLING =
    PROCESS_POWER_THROTTLING_EXECUTION_SPEED | PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;

std::string Cause(DWORD code) { return static_cast<const char*>(SystemCause(code)); }

// Opts out of the throttling for `control` (0: the system decides again); "" when done, else
// why not. Windows 8 and later have the call; older ones and Wine may lack it or the class.
std::string SetThrottling(ULONG control) {
  using SetInformation = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
  const auto set = reinterpret_cast<SetInformation>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetProcessInformation")));
  if (!set) return "(not on this Windows)";
  PROCESS_POWER_THROTTLING_STATE state = {PROCESS_POWER_THROTTLING_CURRENT_VERSION, control, 0};
  return set(::GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state) ? "" : Cause(::GetLastError());
}

// timeBeginPeriod or timeEndPeriod, from winmm.dll of the system folder; nullptr without it.
CRunHold::TimerPeriod TimerFunction(const char* name) {
  return SystemDllFunction<CRunHold::TimerPeriod>("winmm.dll", name);
}

// What Windows is ending, as WM_QUERYENDSESSION and WM_ENDSESSION tell it.
const char* SessionEnd(LPARAM kind) {
  if (kind & ENDSESSION_CLOSEAPP) return "a program asks to close it (an installer or an update)";
  if (kind & ENDSESSION_CRITICAL) return "a forced shutdown";
  if (kind & ENDSESSION_LOGOFF) return "a log-off";
  return "a shutdown or restart";
}
}  // namespace

void CRunHold::Take(HWND window) {
  m_window = window;
  std::string got = ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED)
                        ? "system and display kept awake"
                        : "system and display not kept awake (the system refused)";
  // An end of session is refused with or without it; with it, Windows names the reason.
  got += ::ShutdownBlockReasonCreate(window, Texts::ShutdownReason)
             ? ", shutdown reason registered"
             : ", shutdown reason not registered " + Cause(::GetLastError());
  const std::string throttling = SetThrottling(THROTTLING);
  got += throttling.empty() ? ", power throttling off" : ", power throttling not turned off " + throttling;
  // Each wait pass must sleep 1 ms, not a default timer tick of 15.6 ms. Without it a run is
  // slower, not wrong.
  const CRunHold::TimerPeriod begin = TimerFunction("timeBeginPeriod");
  m_timerEnd = begin ? TimerFunction("timeEndPeriod") : nullptr;
  if (!m_timerEnd) {
    got += ", no 1 ms timer: winmm.dll not loaded from the system folder " + Cause(::GetLastError());
  } else {
    begin(1);
  }
  m_got = got.c_str();
}

void CRunHold::Release() {
  if (!m_window) return;
  if (m_timerEnd) m_timerEnd(1);
  SetThrottling(0);
  ::ShutdownBlockReasonDestroy(m_window);
  ::SetThreadExecutionState(ES_CONTINUOUS);
  m_window = nullptr;
}

BOOL CUpdateDialog::OnQueryEndSession(LPARAM kind) {
  if (!m_hold.Held()) return TRUE;  // no write under way: nothing is lost
  m_record.Write("Windows asked to end the session (%s): refused, the run goes on", SessionEnd(kind));
  return FALSE;
}

void CUpdateDialog::OnEndSession(BOOL ending, LPARAM kind) {
  if (!ending) return;
  // The process may end any moment after this returns: the record's last word is said now
  // (the record is open only while a run lasts).
  m_record.Write("the session ends (%s) during the run: the run stops here", SessionEnd(kind));
  m_record.Close();
}

void CUpdateDialog::OnPowerBroadcast(WPARAM event) {
  // Nothing a program asks keeps a closed lid or a flat battery from putting the PC to sleep;
  // the record at least tells where the write was.
  if (event == PBT_APMSUSPEND) m_record.Write("the PC goes to sleep during the run (a closed lid, a flat battery)");
  if (event == PBT_APMRESUMEAUTOMATIC) m_record.Write("the PC wakes up during the run");
}
