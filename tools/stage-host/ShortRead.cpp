// A driver that reads fewer bytes than it reported queued, which only a faulty one does: the
// program's own import of ReadFile is replaced, so its direct reads (and the reader's) meet it.
#include "Host.h"

namespace {
using ReadFileCall = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
const auto g_readFile = reinterpret_cast<ReadFileCall>(
    reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "ReadFile")));
int g_shortReads = 0;

BOOL WINAPI ShortReadFile(HANDLE file, LPVOID buffer, DWORD wanted, LPDWORD read, LPOVERLAPPED overlapped) {
  if (g_shortReads > 0 && wanted > 0) {
    --g_shortReads;
    --wanted;
  }
  return g_readFile(file, buffer, wanted, read, overlapped);
}
}  // namespace

bool ShortenReads(int count) {
  g_shortReads = count;
  // The import address table: one slot per imported function, each holding its address.
  auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
  auto* slots = reinterpret_cast<ULONG_PTR*>(base + table.VirtualAddress);
  for (ULONG_PTR* slot = slots; slot < slots + table.Size / sizeof *slot; ++slot) {
    if (*slot != reinterpret_cast<ULONG_PTR>(g_readFile)) continue;
    DWORD was = 0;
    ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was);
    *slot = reinterpret_cast<ULONG_PTR>(&ShortReadFile);
    ::VirtualProtect(slot, sizeof *slot, was, &was);
    return true;
  }
  return false;
}
