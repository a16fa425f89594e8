// The real main dialog, created hidden once per test suite, with its message
// boxes answered and recorded.
#pragma once

#include <gtest/gtest.h>

#include "support/BoxWatcher.h"
#include "ui/UpdateDialog.h"

// Makes the protected handlers callable from tests.
class CTestDialog : public CUpdateDialog {
 public:
  using CUpdateDialog::ShowSystemError;
};

class HostedDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    boxes = new BoxWatcher;  // the port list may be empty here; its message is answered
    dialog = new CTestDialog;
    ASSERT_TRUE(dialog->Create());
    dialog->ShowWindow(SW_HIDE);
    boxes->Ignore(dialog->m_hWnd);
    boxes->Take();
  }
  static void TearDownTestSuite() {
    delete dialog;
    delete boxes;
  }

  static inline BoxWatcher* boxes = nullptr;
  static inline CTestDialog* dialog = nullptr;
};
