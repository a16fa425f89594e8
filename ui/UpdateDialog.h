// CUpdateDialog: the main window. Every operation of the program is a member;
// each folder defines the members of its own subsystem.
#pragma once

#include "framework/Dialog.h"
#include "framework/String.h"

class CUpdateDialog : public CDialog {
 public:
  explicit CUpdateDialog(CWnd* parent = nullptr);

  // State the stages share with the window's handlers (ui/, serial/).
  int m_bAbort = 0;      // set by IDC_ABORT; cleared only by the start handler
  int m_bTimedOut = 0;   // set when REPLY_TIMER fires; cleared by ArmReplyTimer
  CString m_strStatus;   // shown in IDC_STATUS
  CString m_strPercent;  // shown in IDC_PERCENT

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
  // Copies unread bytes up to and including the first ';' into a 256-byte destination.
  void ReadUntilSemicolon(unsigned char* destination);
  int WaitForReply(DWORD timeout, const unsigned char* expected, DWORD count);
  void ArmReplyTimer(UINT interval);
  void PumpOneMessage();

 protected:
  // Window handling (ui/).
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override {}      // Enter never ends the dialog
  void OnCancel() override {}  // nor do Esc and the close request
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnCommand(UINT id, UINT code) override;
  void OnExit();

  // Serial link handlers (serial/).
  void OnTimer(UINT_PTR id);
  void OnAbort();
  void ShowSystemError(DWORD code);
};
