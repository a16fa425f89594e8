// CDialog: a dialog built from a template, run modally or hosted modeless.
#pragma once

#include "framework/Wnd.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
  ~CDialog() override;

  INT_PTR DoModal();
  // Modeless, for hosting the dialog inside another program (the tests do).
  BOOL Create(CWnd* parent = nullptr);
  void EndDialog(int result);
  // Gives a control the focus the way the dialog manager does, so that a push
  // button that gets it also becomes the button that Enter presses.
  void GotoDlgCtrl(CWnd& control) { SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control.m_hWnd), TRUE); }

  // Help context for the help command: the resource help base plus the template id.
  static constexpr DWORD HID_BASE_RESOURCE = 0x20000;
  DWORD GetHelpContext() const { return HID_BASE_RESOURCE + m_nIDTemplate; }

 protected:
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  // One flat dispatcher per window class: return true when the message was handled
  // and `result` holds its answer; false leaves it to the platform's dialog manager.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // WM_COMMAND: return true when handled. The base handles IDOK and IDCANCEL and
  // hands everything else on to the application object.
  virtual bool OnCommand(UINT id, UINT code);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND OwnerHandle() const;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
};
