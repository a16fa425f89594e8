// The update procedure: one press of the start button, from the first prompt to
// the idle display again.
#include <windows.h>

#include <commctrl.h>

#include "protocol/Payload.h"
#include "ui/Texts.h"
#include "ui/UpdateDialog.h"
#include "ui/resource.h"
#include "update/Marker.h"

void CUpdateDialog::RunUpdate() {
  DWORD marker = 0;
  ReadMarker(marker);
  m_record.Write("run started: version %s, port %s, marker %lu; %s", static_cast<const char*>(ProgramVersion()),
                 static_cast<const char*>(SelectedPort()), marker, static_cast<const char*>(PayloadNamed()));
  // Phase A, identification in normal mode: only until a radio has been identified.
  if (marker != IDENTIFIED_MARKER && Prompt(Texts::ConnectionPrompt) != IDOK) return;
  if (OpenPort() == 0) return;
  StartReader();
  if (marker != IDENTIFIED_MARKER) {
    if (IdentifyRadio() != 1) {
      FinishRun();
      return;
    }
    marker = IDENTIFIED_MARKER;
    WriteMarker();
  }
  // Not reset first: a read-back that cannot read keeps 3120, and the run goes on.
  ReadMarker(marker);
  if (marker != IDENTIFIED_MARKER) {
    Tell(Texts::NeedRights, MB_ICONSTOP);
    FinishRun();
    return;
  }

  // Phase B, firmware writing in boot mode.
  if (Prompt(Texts::WritingModePrompt) != IDOK) {
    FinishRun();
    return;
  }
  StopReader();
  ClosePort();
  if (OpenPort() == 0) return;
  GetDlgItem(IDC_CAUTION).ShowWindow(SW_SHOW);
  StartReader();
  WriteFirmware();
  GetDlgItem(IDC_CAUTION).ShowWindow(SW_HIDE);
  FinishRun();
}

void CUpdateDialog::WriteFirmware() {
  if (EnterBootMode() != 1) {
    Tell(Texts::DetectionFailed, MB_ICONEXCLAMATION);
    return;
  }
  // The PC is held only while the radio is written: a stop before leaves the radio as it was, and
  // a prompt or a result left open on the screen must not keep the PC from sleep or shutdown.
  m_hold.Take(m_hWnd);
  m_record.Write("hold began: %s", static_cast<const char*>(m_hold.Got()));
  const bool written = LoadWriteControlProgram() == 1 && ProgramFlash(FirmwarePayload::FirmwareImage) == 1;
  m_hold.Release();
  m_record.Write("hold ended");
  if (!written) {
    Tell(Texts::WriteFailed, MB_ICONEXCLAMATION);
    return;
  }
  Tell(Texts::Completed, MB_ICONINFORMATION);
  Tell(Texts::NormalModeInstructions, MB_ICONINFORMATION);
}

void CUpdateDialog::FinishRun() {
  StopReader();
  ClosePort();
  GetDlgItem(IDC_PROGRESS).SendMessage(PBM_SETPOS, 0);  // the range the stages set stays
  m_strStatus = Texts::IdleStatus;
  m_strPercent.Empty();
  UpdateData(FALSE);
}
