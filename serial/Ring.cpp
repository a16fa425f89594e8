// The ring's storage and its readers on the user-interface thread.
#include "serial/SerialLink.h"
#include "ui/UpdateDialog.h"

unsigned char g_byRing[RING_SIZE];
std::atomic<unsigned char> g_byReadIndex{0};
std::atomic<unsigned char> g_byWriteIndex{0};

void StoreReceived(const unsigned char* data, DWORD count) {
  unsigned char write = g_byWriteIndex.load(std::memory_order_relaxed);
  for (DWORD i = 0; i < count; ++i) {
    g_byRing[write] = data[i];
    g_byWriteIndex.store(++write, std::memory_order_release);
  }
}

namespace {
unsigned char TakeOne() {
  unsigned char read = g_byReadIndex.load(std::memory_order_relaxed);
  const unsigned char byte = g_byRing[read];
  g_byReadIndex.store(read + 1, std::memory_order_relaxed);
  return byte;
}
}  // namespace

DWORD CUpdateDialog::DrainRing(unsigned char* destination, DWORD capacity) {
  // Takes bytes that arrive during the copy as well. Bytes beyond the capacity
  // are taken out of the ring and counted, never stored past the destination.
  DWORD taken = 0;
  do {
    const unsigned char byte = TakeOne();
    if (taken < capacity) destination[taken] = byte;
    ++taken;
  } while (RingHasUnread());
  return taken;
}

DWORD CUpdateDialog::ReadUntilSemicolon(unsigned char* destination, DWORD capacity) {
  DWORD copied = 0;
  while (copied < capacity && RingHasUnread()) {
    const unsigned char byte = TakeOne();
    destination[copied++] = byte;
    if (byte == ';') break;
  }
  return copied;
}
