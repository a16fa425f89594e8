// CUpdateDialog: the main window. Every operation of the program is a member;
// each folder defines the members of its own subsystem.
#pragma once

#include "framework/Dialog.h"
#include "framework/String.h"
#include "ui/RunHold.h"
#include "update/RunRecord.h"

class CUpdateDialog : public CDialog {
 public:
  explicit CUpdateDialog(CWnd* parent = nullptr);

  // State the stages share with the window's handlers (ui/, serial/).
  int m_bAbort = 0;      // set by IDC_ABORT; cleared only by the start handler
  int m_bTimedOut = 0;   // set when REPLY_TIMER fires; cleared by ArmReplyTimer
  CString m_strStatus;   // shown in IDC_STATUS
  CString m_strPercent;  // shown in IDC_PERCENT
  HICON m_hIcon;         // IDI_APP: window icons, minimised picture; shared, never destroyed

  // The run's record (update/), and what the latest wait for the radio got, for a failure's line.
  CRunRecord m_record;  // open from the start of a run to its end
  WaitSeen m_lastWait{};
  CRunHold m_hold;  // what the run holds of the PC while the radio is written

  // Serial link (serial/).
  void EnumeratePorts();
  int OpenPort();
  void ClosePort();
  void StartReader();
  void StopReader();
  int SendBytes(const unsigned char* data, DWORD count);
  // Takes every unread byte, including those arriving meanwhile, and returns how
  // many; stores at most `capacity`. The ring must hold at least one unread byte.
  DWORD DrainRing(unsigned char* destination, DWORD capacity);
  // Copies unread bytes up to and including the first ';', at most `capacity`;
  // returns how many. Writes no terminator.
  DWORD ReadUntilSemicolon(unsigned char* destination, DWORD capacity);
  int WaitForReply(DWORD timeout, const unsigned char* expected, DWORD count);
  void ArmReplyTimer(UINT interval);
  void PumpOneMessage();

  // Target protocols (protocol/).
  int EnterBootMode();
  int LoadWriteControlProgram();
  int ProgramFlash(const unsigned char* image);
  int IdentifyRadio();

  // Update procedure (update/).
  void RunUpdate();

 protected:
  // Window handling (ui/).
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override {}      // Enter never ends the dialog
  void OnCancel() override {}  // nor do Esc and the close request
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnCommand(UINT id, UINT code) override;
  void OnStart();
  void OnExit();
  bool OnSysCommand(UINT id);
  bool OnPaint();
  LRESULT OnCtlColor(UINT message, HDC dc, HWND control);
  void OnDestroy();
  BOOL OnQueryEndSession(LPARAM kind);
  void OnEndSession(BOOL ending, LPARAM kind);
  void OnPowerBroadcast(WPARAM event);

  // Serial link handlers (serial/).
  void OnTimer(UINT_PTR id);
  void OnAbort();
  void ShowSystemError(DWORD code);

  // What the stages show and record (ui/).
  void ShowPercent(UINT percent);  // the bar's position and the percent text
  // The run's message boxes, each noted in the record: a prompt (OK/Cancel) with its answer,
  // any other message before it is shown.
  int Prompt(const char* text);
  void Tell(const char* text, UINT style);
  // Records "<stage> failed at <place>: <cause>" and returns 0, the failed stage's result.
  int StageFailed(const char* stage, const CString& place, const CString& cause);

 private:
  // Serial link helpers (serial/).
  CString SelectedPort();  // the IDC_PORT selection's text, or empty
  // Keeps what the wait received and how it ended in m_lastWait; returns `result`.
  int EndWait(int result, WaitSeen::End end, const unsigned char* received, DWORD count);

  // Stage helpers (protocol/).
  DWORD AwaitBootReply(unsigned char* reply);
  struct DirectReply {
    unsigned char buffer[256];  // the latest read, at most a buffer's worth
    DWORD stored = 0;           // bytes of that read in the buffer
    DWORD count = 0;            // bytes of the whole answer, surplus included
  };
  int AwaitDirectReply(DirectReply& reply);

  // Update procedure helpers (update/).
  void WriteFirmware();  // the boot-mode stages and their result message
  void FinishRun();      // the closing steps: port closed, idle display
};
