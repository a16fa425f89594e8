// The real main dialog, created hidden once per test suite, with its message
// boxes answered and recorded.
#pragma once

#include <gtest/gtest.h>
#include <process.h>

#include <string>
#include <utility>
#include <vector>

#include "serial/SerialLink.h"
#include "support/BoxWatcher.h"
#include "ui/UpdateDialog.h"
#include "ui/resource.h"

// Bytes that reach the ring as the reader would store them, each piece after its delay (ms).
using Pieces = std::vector<std::pair<std::string, DWORD>>;

inline unsigned __stdcall StorePieces(void* param) {
  for (const auto& [text, delay] : *static_cast<const Pieces*>(param)) {
    ::Sleep(delay);
    StoreReceived(reinterpret_cast<const unsigned char*>(text.data()), static_cast<DWORD>(text.size()));
  }
  return 0;
}

// Runs `wait` while `pieces` arrive; joins the arriving thread before it returns.
template <typename Wait>
int WhileArriving(const Pieces& pieces, Wait wait) {
  HANDLE thread =
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, StorePieces, const_cast<Pieces*>(&pieces), 0, nullptr));
  const int result = wait();
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  return result;
}

class HostedDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    boxes = new BoxWatcher;
    dialog = new CUpdateDialog;
    ASSERT_TRUE(CreateHidden(*dialog));
    boxes->Take();  // the port list may be empty here: its message is answered
  }
  static void TearDownTestSuite() {
    delete dialog;
    delete boxes;
  }

  // A box that the operator reads for `ms` while a wait goes on (the About box stands in for
  // the Help box): it opens at the wait's first pump, and the reply timer fires in its loop.
  static void ReadABoxDuringTheWait(UINT ms) {
    boxes->SetHold(ms);
    ::PostMessageA(dialog->m_hWnd, WM_SYSCOMMAND, IDM_ABOUT, 0);
  }
  void TearDown() override { boxes->SetHold(0); }

  static inline BoxWatcher* boxes = nullptr;
  static inline CUpdateDialog* dialog = nullptr;
};
