// Finding, opening and closing the serial port.
#include "serial/SerialLink.h"
#include "ui/Texts.h"
#include "ui/UpdateDialog.h"
#include "ui/resource.h"

const CString PortNames[PORT_COUNT] = {"COM1", "COM2", "COM3", "COM4"};
HANDLE g_hPort = nullptr;

namespace {
// A byte needs 1.04 ms at 9600 bit/s 8N1; a healthy write never comes near this.
constexpr DWORD WRITE_TIMEOUT_PER_BYTE = 2;  // ms
constexpr DWORD WRITE_TIMEOUT_BASE = 2000;   // ms

// The port's flow control and lines as the driver keeps them, which another program may have
// set: a line that never takes a byte shows its cause here.
CString DescribeLine(HANDLE port, const DCB& dcb) {
  static const char* const control[] = {"off", "on", "handshake", "toggle"};  // DTR_CONTROL_*, RTS_CONTROL_*
  const auto onOff = [](DWORD on) { return on ? "on" : "off"; };
  DWORD lines = 0;
  CString modem;
  if (::GetCommModemStatus(port, &lines)) {
    modem.Format("CTS %s, DSR %s, RING %s, RLSD %s", onOff(lines & MS_CTS_ON), onOff(lines & MS_DSR_ON),
                 onOff(lines & MS_RING_ON), onOff(lines & MS_RLSD_ON));
  } else {
    modem.Format("unknown %s", static_cast<const char*>(SystemCause(::GetLastError())));
  }
  CString line;
  line.Format("CTS flow %s, DSR flow %s, DTR %s, RTS %s, Xoff continue %s; modem lines %s", onOff(dcb.fOutxCtsFlow),
              onOff(dcb.fOutxDsrFlow), control[dcb.fDtrControl], control[dcb.fRtsControl], onOff(dcb.fTXContinueOnXoff),
              static_cast<const char*>(modem));
  return line;
}

HANDLE OpenExclusive(const char* name) {
  // No sharing: a port that another program holds open cannot be opened.
  return ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}
}  // namespace

void CUpdateDialog::EnumeratePorts() {
  CWnd portList = GetDlgItem(IDC_PORT);
  int found = 0;
  for (const CString& name : PortNames) {
    HANDLE port = OpenExclusive(name);
    if (port == INVALID_HANDLE_VALUE) continue;
    portList.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<const char*>(name)));
    ++found;
    ::CloseHandle(port);
  }
  if (found == 0) {
    MessageBox(Texts::NoPorts, Texts::Caption, MB_OK | MB_ICONSTOP);
    EndDialog(IDOK);
    return;
  }
  portList.SendMessage(CB_SETCURSEL, 0);  // the list is sorted: the lowest port found
}

CString CUpdateDialog::SelectedPort() {
  CWnd portList = GetDlgItem(IDC_PORT);
  const LRESULT selected = portList.SendMessage(CB_GETCURSEL);
  char name[16] = "";
  if (selected != CB_ERR && portList.SendMessage(CB_GETLBTEXTLEN, selected) < LRESULT{sizeof name}) {
    portList.SendMessage(CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(name));
  }
  return name;
}

int CUpdateDialog::OpenPort() {
  HANDLE port = OpenExclusive(SelectedPort());
  if (port == INVALID_HANDLE_VALUE) {
    Tell(Texts::PortOpenFailed, MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  g_hPort = port;
  const auto fail = [this] {
    Tell(Texts::PortOpenFailed, MB_OK | MB_ICONEXCLAMATION);
    ClosePort();
    return 0;
  };

  // Speed and framing are set, and nothing in the driver may drop or change a byte: the
  // protocol is binary (0x11 and 0x13 are data, 0x00 is the boot-mode burst), and a three-wire
  // cable has no DSR. Hardware flow control stays as the driver has it.
  DCB dcb;
  static_assert(sizeof dcb == 28, "the device-control block's length field");
  if (!::GetCommState(g_hPort, &dcb)) return fail();
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fAbortOnError = FALSE;
  if (!::SetCommState(g_hPort, &dcb)) return fail();
  // A line that never takes the bytes (hardware flow control on a three-wire cable) must fail
  // the write, not hold the window for ever: no port without these. Only the write fields
  // change; the driver keeps its read time-outs.
  COMMTIMEOUTS timeouts;
  if (!::GetCommTimeouts(g_hPort, &timeouts)) return fail();
  timeouts.WriteTotalTimeoutMultiplier = WRITE_TIMEOUT_PER_BYTE;
  timeouts.WriteTotalTimeoutConstant = WRITE_TIMEOUT_BASE;
  if (!::SetCommTimeouts(g_hPort, &timeouts)) return fail();
  ::SetCommMask(g_hPort, EV_RXCHAR);
  ::SetupComm(g_hPort, 4096, 4096);
  m_record.Write("port opened at 9600 8N1: %s", static_cast<const char*>(DescribeLine(g_hPort, dcb)));
  return 1;
}

void CUpdateDialog::ClosePort() {
  if (!g_hPort) return;
  ::CloseHandle(g_hPort);
  g_hPort = nullptr;
}
