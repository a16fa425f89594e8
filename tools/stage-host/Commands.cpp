#include <windows.h>

#include <aclapi.h>
#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "Host.h"
#include "framework/WinApp.h"
#include "protocol/Payload.h"
#include "serial/SerialLink.h"
#include "ui/resource.h"
#include "update/Marker.h"

namespace {
std::vector<unsigned char> FromHex(const std::string& hex) {
  std::vector<unsigned char> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::string ToHex(const unsigned char* bytes, size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < count; ++i) {
    hex += digits[bytes[i] >> 4];
    hex += digits[bytes[i] & 15];
  }
  return hex;
}

std::string ComboItem(CWnd& combo, LRESULT index) {
  char name[64] = "";
  if (combo.SendMessage(CB_GETLBTEXTLEN, index) < LRESULT{sizeof name}) {
    combo.SendMessage(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name));
  }
  return name;
}

void Ports(Host& host, Json& reply) {
  CWnd combo = host.dialog.GetDlgItem(IDC_PORT);
  std::vector<std::string> items;
  const LRESULT count = combo.SendMessage(CB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) items.push_back(ComboItem(combo, i));
  reply.update({{"items", items}, {"selection", combo.SendMessage(CB_GETCURSEL)}});
}

// Collects bytes from the ring until `count` have come or `ms` have passed.
std::string Receive(Host& host, size_t count, DWORD ms) {
  std::vector<unsigned char> got;
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (got.size() < count && ::GetTickCount64() < end) {
    if (RingHasUnread()) {
      unsigned char buffer[RING_SIZE];
      const DWORD taken = host.dialog.DrainRing(buffer, sizeof buffer);
      got.insert(got.end(), buffer, buffer + (taken < sizeof buffer ? taken : sizeof buffer));
    }
    host.dialog.PumpOneMessage();
    ::Sleep(1);
  }
  return ToHex(got.data(), got.size());
}
// Bytes that reach the ring as the reader would store them, each piece after its delay: the
// command's remaining words, "hex@ms" each.
using Pieces = std::vector<std::pair<std::vector<unsigned char>, DWORD>>;

Pieces ReadPieces(std::istringstream& args) {
  Pieces pieces;
  std::string word;
  while (args >> word) {
    const size_t at = word.find('@');
    pieces.push_back({FromHex(word.substr(0, at)), static_cast<DWORD>(std::stoul(word.substr(at + 1)))});
  }
  return pieces;
}

unsigned __stdcall StorePieces(void* param) {
  for (const auto& [bytes, delay] : *static_cast<const Pieces*>(param)) {
    ::Sleep(delay);
    StoreReceived(bytes.data(), static_cast<DWORD>(bytes.size()));
  }
  return 0;
}

// Runs `wait` while the pieces arrive; joins the arriving thread before it returns.
template <typename Wait>
int WhileArriving(Pieces pieces, Wait wait) {
  HANDLE thread = CWinApp::BeginThread(StorePieces, &pieces);
  const int result = wait();
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  return result;
}

// Where the ring's readers copy to, across commands: what a read leaves alone stays visible.
unsigned char g_destination[RING_SIZE];

void ClickAbort(HWND dialog) {
  // What a click on Cancel makes the button send, handled at once.
  ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABORT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_ABORT)));
}

// A message posted to the dialog from another thread, after `ms` or once `path` exists: the
// stage's next pump handles it. The About box stands in for a modal loop the operator enters
// while a stage waits (the Help box, a drag of the caption); a click on Cancel is posted when
// the radio signals that it holds a reply.
struct LaterPost {
  DWORD ms;
  std::string path;
  HWND dialog;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

unsigned __stdcall PostLater(void* param) {
  std::unique_ptr<LaterPost> later(static_cast<LaterPost*>(param));
  ::Sleep(later->ms);
  while (!later->path.empty() && ::GetFileAttributesA(later->path.c_str()) == INVALID_FILE_ATTRIBUTES) ::Sleep(1);
  ::PostMessageA(later->dialog, later->message, later->wParam, later->lParam);
  return 0;
}

bool StartPost(LaterPost* post) {  // the thread owns `post`
  HANDLE thread = CWinApp::BeginThread(PostLater, post);
  if (!thread) {
    delete post;
    return false;
  }
  ::CloseHandle(thread);
  return true;
}

void State(CUpdateDialog& dialog, Json& reply) {
  Json& enabled = reply["enabled"] = Json::object();
  for (int id : {IDC_START, IDC_ABORT, IDC_EXIT, IDC_PORT, IDC_PERCENT, ID_HELP}) {
    enabled[std::to_string(id)] = dialog.GetDlgItem(id).IsWindowEnabled() != FALSE;
  }
  char status[128] = "", percent[16] = "";
  ::GetDlgItemTextA(dialog.m_hWnd, IDC_STATUS, status, sizeof status);
  ::GetDlgItemTextA(dialog.m_hWnd, IDC_PERCENT, percent, sizeof percent);
  reply.update({{"status", status},
                {"percent", percent},
                {"progress", dialog.GetDlgItem(IDC_PROGRESS).SendMessage(PBM_GETPOS)},
                {"caution", CautionShown(dialog.m_hWnd)},
                {"port_open", g_hPort != nullptr},
                {"reader", g_bReaderRun.load() == 1},
                {"execution_state", ::SetThreadExecutionState(0)}});  // without ES_CONTINUOUS: only reads
}

// Everyone's rights on the marker key, as an administrator may leave them: "read" makes it
// unwritable for the utility, "all" gives them back (then reg.exe can delete the key).
bool SetMarkerRights(const std::string& rights) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  EXPLICIT_ACCESSA access = {};
  access.grfAccessPermissions = rights == "read" ? KEY_READ : KEY_ALL_ACCESS;
  access.grfAccessMode = SET_ACCESS;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<char*>(everyone);
  PACL acl = nullptr;
  HKEY key = nullptr;
  // Protected: nothing inherited from the parent adds rights back. The owner may always set them.
  const bool set =
      ::SetEntriesInAclA(1, &access, nullptr, &acl) == ERROR_SUCCESS &&
      ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, MARKER_KEY, 0, WRITE_DAC, &key) == ERROR_SUCCESS &&
      ::SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
  if (key) ::RegCloseKey(key);
  ::LocalFree(acl);
  ::FreeSid(everyone);
  return set;
}
}  // namespace

bool RunCommand(Host& host, const std::string& name, std::istringstream& args, Json& reply) {
  CUpdateDialog& dialog = host.dialog;
  if (name == "ports") {
    Ports(host, reply);
  } else if (name == "open") {
    reply["result"] = dialog.OpenPort();
  } else if (name == "close") {
    dialog.ClosePort();
  } else if (name == "start-reader") {
    dialog.StartReader();
  } else if (name == "stop-reader") {
    dialog.StopReader();
  } else if (name == "send") {
    std::string hex;
    args >> hex;
    const std::vector<unsigned char> bytes = FromHex(hex);
    reply["result"] = dialog.SendBytes(bytes.data(), static_cast<DWORD>(bytes.size()));
  } else if (name == "receive") {
    size_t count = 0;
    DWORD ms = 0;
    args >> count >> ms;
    reply["hex"] = Receive(host, count, ms);
  } else if (name == "ring") {  // emptied at this index; the destination filled with 0xEE
    int index = 0;
    args >> index;
    g_byReadIndex = g_byWriteIndex = static_cast<unsigned char>(index);
    std::fill(std::begin(g_destination), std::end(g_destination), 0xEE);
  } else if (name == "store") {
    std::string hex;
    args >> hex;
    const std::vector<unsigned char> bytes = FromHex(hex);
    StoreReceived(bytes.data(), static_cast<DWORD>(bytes.size()));
    reply["unread"] = RingHasUnread();
  } else if (name == "drain" || name == "read-line") {
    DWORD capacity = 0;
    args >> capacity;
    reply.update({{"count", name == "drain" ? dialog.DrainRing(g_destination, capacity)
                                            : dialog.ReadUntilSemicolon(g_destination, capacity)},
                  {"buffer", ToHex(g_destination, sizeof g_destination)},
                  {"unread", RingHasUnread()}});
  } else if (name == "wait") {  // WaitForReply for the expected bytes, Cancel pressed before it (1) or not
    DWORD timeout = 0;
    std::string hex;
    args >> timeout >> hex >> dialog.m_bAbort;
    const std::vector<unsigned char> expected = FromHex(hex);
    reply["result"] = WhileArriving(ReadPieces(args), [&] {
      return dialog.WaitForReply(timeout, expected.data(), static_cast<DWORD>(expected.size()));
    });
    reply.update({{"timed_out", dialog.m_bTimedOut}, {"unread", RingHasUnread()}});
    dialog.KillTimer(REPLY_TIMER);
    dialog.m_bAbort = 0;
  } else if (name == "identify") {  // the query goes to the NUL device; the reply comes in pieces
    g_hPort = ::CreateFileA("NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    reply["result"] = WhileArriving(ReadPieces(args), [&] { return dialog.IdentifyRadio(); });
    ::CloseHandle(g_hPort);
    g_hPort = nullptr;
  } else if (name == "system-text") {  // the system's own text for an error code
    DWORD code = 0;
    args >> code;
    char text[256] = "";
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                     nullptr);
    reply["text"] = text;
  } else if (name == "boot") {
    reply["result"] = dialog.EnterBootMode();
  } else if (name == "load") {
    reply["result"] = dialog.LoadWriteControlProgram();
  } else if (name == "flash") {
    reply["result"] = dialog.ProgramFlash(FirmwarePayload::FirmwareImage);
  } else if (name == "cpu") {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) { return ((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000; };
    reply.update({{"user_ms", ms(user)}, {"kernel_ms", ms(kernel)}});
  } else if (name == "link-state") {
    reply.update({{"reader", g_bReaderRun.load() == 1}, {"unread", RingHasUnread()}});
  } else if (name == "abort-on-percent") {
    std::string text;
    args >> text;
    host.observer.OnPercent(text, ClickAbort);
  } else if (name == "update") {  // a click on OK: the whole run, every box answered
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED),
                       reinterpret_cast<LPARAM>(dialog.GetDlgItem(IDC_START).m_hWnd));
  } else if (name == "state") {
    State(dialog, reply);
  } else if (name == "marker") {  // read into a variable that holds the number given (0 if none)
    DWORD marker = 0;
    args >> marker;
    ReadMarker(marker);
    reply["marker"] = marker;
  } else if (name == "write-marker") {
    WriteMarker();
  } else if (name == "enable-start") {  // 0: as during a run
    int enabled = 1;
    args >> enabled;
    dialog.GetDlgItem(IDC_START).EnableWindow(enabled != 0);
  } else if (name == "syscommand") {  // a window menu command
    WPARAM command = 0;
    args >> command;
    dialog.SendMessage(WM_SYSCOMMAND, command);
  } else if (name == "menu") {  // the window menu, and the one the platform gives a window of its styles
    reply.update({{"entries", MenuEntries(dialog.GetSystemMenu(FALSE))}, {"standard", StandardWindowMenu()}});
  } else if (name == "opens-menu") {  // keyboard, mouse or context
    std::string how;
    args >> how;
    reply["opened"] = OpensAMenu(dialog.m_hWnd, how);
  } else if (name == "marker-rights") {
    std::string rights;
    args >> rights;
    reply["result"] = (rights == "read" || rights == "all") && SetMarkerRights(rights);
  } else if (name == "hold-boxes") {
    UINT ms = 0;
    args >> ms;
    host.boxes.SetHold(ms);
  } else if (name == "about-after") {
    DWORD ms = 0;
    args >> ms;
    reply["result"] = StartPost(new LaterPost{ms, "", dialog.m_hWnd, WM_SYSCOMMAND, IDM_ABOUT, 0});
  } else if (name == "abort-on-file") {
    std::string path;
    args >> path;
    reply["result"] = StartPost(new LaterPost{0, path, dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_ABORT, BN_CLICKED),
                                              reinterpret_cast<LPARAM>(::GetDlgItem(dialog.m_hWnd, IDC_ABORT))});
  } else {
    return false;
  }
  return true;
}
