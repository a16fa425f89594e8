// The serial link's module-level state, shared by the user-interface thread and
// the reader thread. Everything else reaches it only through this header.
#pragma once

#include <windows.h>

#include <atomic>

#include "framework/String.h"

constexpr UINT_PTR REPLY_TIMER = 123;  // the dialog's reply time-out timer
constexpr DWORD RING_SIZE = 256;       // ReceiveRing; also the size of every reply buffer
constexpr int PORT_COUNT = 4;

extern const CString PortNames[PORT_COUNT];  // the only ports ever tried, in order

extern HANDLE g_hPort;                 // the open port, or null
extern std::atomic<int> g_bReaderRun;  // the reader runs while this is 1
// ReceiveRing: single producer (the reader), single consumer (the UI thread), no
// lock. Empty when the indices are equal, so at most 255 unread bytes.
extern unsigned char g_byRing[RING_SIZE];
extern std::atomic<unsigned char> g_byReadIndex;   // oldest unread byte; advanced by the UI thread
extern std::atomic<unsigned char> g_byWriteIndex;  // next free slot; published by the reader with release
extern OVERLAPPED g_ovRead;                        // every read of the reader
extern OVERLAPPED g_ovWrite;                       // every write of SendBytes; holds that write's event

unsigned __stdcall ReaderThread(void* unused);

// The reader's half of the ring: stores bytes in order, publishing each one.
// Nothing stops it from overwriting unread bytes; the line is slower than the reader.
void StoreReceived(const unsigned char* data, DWORD count);

inline bool RingHasUnread() {
  return g_byReadIndex.load(std::memory_order_relaxed) != g_byWriteIndex.load(std::memory_order_acquire);
}
