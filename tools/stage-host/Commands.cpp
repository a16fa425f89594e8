#include <windows.h>

#include <aclapi.h>
#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <thread>
#include <utility>
#include <vector>

#include "Host.h"
#include "protocol/Payload.h"
#include "serial/SerialLink.h"
#include "ui/resource.h"
#include "update/Marker.h"

namespace {
using Bytes = std::vector<unsigned char>;
// Bytes that reach the ring as the reader would store them, each piece after its delay (ms).
using Pieces = std::vector<std::pair<Bytes, DWORD>>;

// Runs `wait` while the pieces arrive; the arriving thread has ended when it returns.
template <typename Wait>
int WhileArriving(const Pieces& pieces, Wait wait) {
  std::thread arriving([&] {
    for (const auto& [bytes, delay] : pieces) {
      ::Sleep(delay);
      StoreReceived(bytes.data(), static_cast<DWORD>(bytes.size()));
    }
  });
  const int result = wait();
  arriving.join();
  return result;
}

// Where the ring's readers copy to, across commands: what a read leaves alone stays visible.
unsigned char g_destination[RING_SIZE];

Json Ports(CWnd combo) {
  Json items = Json::array();
  for (LRESULT i = 0; i < combo.SendMessage(CB_GETCOUNT); ++i) {
    char name[64] = "";
    if (combo.SendMessage(CB_GETLBTEXTLEN, i) < LRESULT{sizeof name}) {
      combo.SendMessage(CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    }
    items.push_back(name);
  }
  return {{"items", items}, {"selection", combo.SendMessage(CB_GETCURSEL)}};
}

// What a click on Cancel makes the button send.
LPARAM AbortClick(HWND dialog) { return reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_ABORT)); }
void ClickAbort(HWND dialog) {
  ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABORT, BN_CLICKED), AbortClick(dialog));
}

// A message posted to the dialog from another thread, once `path` exists (if given) and `ms`
// later: the stage's next pump handles it. The About box stands in for a modal loop the operator
// enters while a stage waits (the Help box, a drag of the caption); a click on Cancel, or what
// Windows sends as the PC sleeps or the session ends, is posted when the radio signals that it
// holds a reply.
void PostLater(HWND dialog, DWORD ms, const std::string& path, UINT message, WPARAM wParam, LPARAM lParam) {
  std::thread([=] {
    while (!path.empty() && ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) ::Sleep(1);
    ::Sleep(ms);
    ::PostMessageA(dialog, message, wParam, lParam);
  }).detach();
}

Json State(CUpdateDialog& dialog) {
  Json enabled = Json::object();
  for (int id : {IDC_START, IDC_ABORT, IDC_EXIT, IDC_PORT, IDC_PERCENT, ID_HELP}) {
    enabled[std::to_string(id)] = dialog.GetDlgItem(id).IsWindowEnabled() != FALSE;
  }
  char status[128] = "", percent[16] = "";
  ::GetDlgItemTextA(dialog.m_hWnd, IDC_STATUS, status, sizeof status);
  ::GetDlgItemTextA(dialog.m_hWnd, IDC_PERCENT, percent, sizeof percent);
  return {{"enabled", enabled},
          {"status", status},
          {"percent", percent},
          {"progress", dialog.GetDlgItem(IDC_PROGRESS).SendMessage(PBM_GETPOS)},
          {"caution", CautionShown(dialog.m_hWnd)},
          {"port_open", g_hPort != nullptr},
          {"reader", g_bReaderRun.load() == 1},
          {"unread", RingHasUnread()}};
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
      ::SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, acl, nullptr) == ERROR_SUCCESS;
  if (key) ::RegCloseKey(key);
  ::LocalFree(acl);
  ::FreeSid(everyone);
  return set;
}
}  // namespace

bool RunCommand(CUpdateDialog& dialog, Watcher& watcher, const Json& command, Json& reply) {
  const std::string name = command.at(0);
  const auto arg = [&](size_t index) -> const Json& { return command.at(index); };
  if (name == "ports") {
    reply.update(Ports(dialog.GetDlgItem(IDC_PORT)));
  } else if (name == "open") {
    reply["result"] = dialog.OpenPort();
  } else if (name == "close") {
    dialog.ClosePort();
  } else if (name == "start-reader") {
    dialog.StartReader();
  } else if (name == "stop-reader") {
    dialog.StopReader();
  } else if (name == "send") {
    const Bytes bytes = arg(1);
    reply["result"] = dialog.SendBytes(bytes.data(), static_cast<DWORD>(bytes.size()));
  } else if (name == "ring") {  // emptied at this index; the destination filled with 0xEE
    g_byReadIndex = g_byWriteIndex = arg(1).get<unsigned char>();
    std::fill(std::begin(g_destination), std::end(g_destination), 0xEE);
  } else if (name == "store") {
    const Bytes bytes = arg(1);
    StoreReceived(bytes.data(), static_cast<DWORD>(bytes.size()));
    reply["unread"] = RingHasUnread();
  } else if (name == "drain" || name == "read-line") {
    const DWORD capacity = arg(1);
    reply.update({{"count", name == "drain" ? dialog.DrainRing(g_destination, capacity)
                                            : dialog.ReadUntilSemicolon(g_destination, capacity)},
                  {"buffer", Bytes(std::begin(g_destination), std::end(g_destination))},
                  {"unread", RingHasUnread()}});
  } else if (name == "wait") {  // [timeout, expected, Cancel pressed before (1) or not, pieces]
    const Bytes expected = arg(2);
    dialog.m_bAbort = arg(3);
    reply["result"] = WhileArriving(
        arg(4), [&] { return dialog.WaitForReply(arg(1), expected.data(), static_cast<DWORD>(expected.size())); });
    reply.update({{"timed_out", dialog.m_bTimedOut}, {"unread", RingHasUnread()}});
    dialog.KillTimer(REPLY_TIMER);
    dialog.m_bAbort = 0;
  } else if (name == "identify") {  // the query goes to the NUL device; the reply comes in pieces
    g_hPort = ::CreateFileA("NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    reply["result"] = WhileArriving(arg(1), [&] { return dialog.IdentifyRadio(); });
    ::CloseHandle(g_hPort);
    g_hPort = nullptr;
  } else if (name == "record") {  // as a run opens it, for stages run on their own
    dialog.m_record.Open(arg(1).get<std::string>().c_str());
  } else if (name == "short-reads") {
    reply["result"] = ShortenReads(arg(1));
  } else if (name == "system-text") {  // the system's own text for an error code
    char text[256] = "";
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, arg(1), 0, text, sizeof text,
                     nullptr);
    reply["text"] = text;
  } else if (name == "boot") {
    reply["result"] = dialog.EnterBootMode();
  } else if (name == "load") {
    reply["result"] = dialog.LoadWriteControlProgram();
  } else if (name == "flash") {
    reply["result"] = dialog.ProgramFlash(FirmwarePayload::FirmwareImage);
  } else if (name == "abort-on-percent") {
    watcher.OnPercent(arg(1), ClickAbort);
  } else if (name == "update") {  // a click on OK: the whole run, every box answered
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED),
                       reinterpret_cast<LPARAM>(dialog.GetDlgItem(IDC_START).m_hWnd));
  } else if (name == "state") {
    reply.update(State(dialog));
  } else if (name == "marker") {  // read into a variable that holds the number given
    DWORD marker = arg(1);
    ReadMarker(marker);
    reply["marker"] = marker;
  } else if (name == "write-marker") {
    WriteMarker();
  } else if (name == "marker-rights") {
    reply["result"] = (arg(1) == "read" || arg(1) == "all") && SetMarkerRights(arg(1));
  } else if (name == "enable-start") {  // false: as during a run
    dialog.GetDlgItem(IDC_START).EnableWindow(arg(1).get<bool>());
  } else if (name == "syscommand") {  // a window menu command
    dialog.SendMessage(WM_SYSCOMMAND, arg(1).get<WPARAM>());
  } else if (name == "menu") {
    reply.update({{"entries", MenuEntries(dialog.GetSystemMenu(FALSE))}, {"standard", StandardWindowMenu()}});
  } else if (name == "opens-menu") {
    reply["opened"] = OpensAMenu(dialog.m_hWnd, arg(1));
  } else if (name == "hold-boxes") {
    watcher.SetHold(arg(1));
  } else if (name == "about-after") {
    PostLater(dialog.m_hWnd, arg(1), "", WM_SYSCOMMAND, IDM_ABOUT, 0);
  } else if (name == "abort-on-file") {
    PostLater(dialog.m_hWnd, 0, arg(1), WM_COMMAND, MAKEWPARAM(IDC_ABORT, BN_CLICKED), AbortClick(dialog.m_hWnd));
  } else if (name == "post-on-file") {  // [path, ms after it exists, message, wParam, lParam]: from Windows
    PostLater(dialog.m_hWnd, arg(2), arg(1), arg(3), arg(4), arg(5));
  } else {
    return false;
  }
  return true;
}
