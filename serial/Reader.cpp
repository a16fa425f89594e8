// The reader thread: moves every received byte from the driver into the ring.
#include "framework/WinApp.h"
#include "serial/SerialLink.h"
#include "ui/UpdateDialog.h"

std::atomic<int> g_bReaderRun{0};
OVERLAPPED g_ovRead;

namespace {
HANDLE g_hReaderThread = nullptr;
unsigned char g_byReadBuffer[4096];  // one driver queue's worth; only the reader uses it
}  // namespace

unsigned __stdcall ReaderThread(void*) {
  g_byReadIndex.store(0, std::memory_order_relaxed);
  g_byWriteIndex.store(0, std::memory_order_release);
  while (g_bReaderRun.load(std::memory_order_acquire)) {
    // Polls without pause: a byte reaches the ring within one pass.
    DWORD errors = 0;
    COMSTAT status = {};
    if (!::ClearCommError(g_hPort, &errors, &status) || status.cbInQue == 0) continue;
    // Never asks for more than is queued, so the read returns at once on the
    // synchronous handle and never holds up a write.
    const DWORD wanted = status.cbInQue < sizeof g_byReadBuffer ? status.cbInQue : sizeof g_byReadBuffer;
    DWORD received = 0;
    if (::ReadFile(g_hPort, g_byReadBuffer, wanted, &received, &g_ovRead)) StoreReceived(g_byReadBuffer, received);
  }
  return 1;
}

void CUpdateDialog::StartReader() {
  g_byReadIndex.store(0, std::memory_order_relaxed);
  g_byWriteIndex.store(0, std::memory_order_relaxed);
  g_bReaderRun.store(1, std::memory_order_release);
  g_hReaderThread = CWinApp::BeginThread(ReaderThread, nullptr);
}

void CUpdateDialog::StopReader() {
  g_bReaderRun.store(0, std::memory_order_release);
  // Waits for the end of the reader's last pass: after this the port may be
  // closed, read directly or given a new reader.
  if (!g_hReaderThread) return;
  ::WaitForSingleObject(g_hReaderThread, INFINITE);
  ::CloseHandle(g_hReaderThread);
  g_hReaderThread = nullptr;
}
