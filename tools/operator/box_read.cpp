#include "box_read.h"

#include "target.h"
#include "window_text.h"

namespace {
bool isTextStatic(LONG style) {
  switch (style & SS_TYPEMASK) {
    case SS_ICON:
    case SS_BITMAP:
    case SS_ENHMETAFILE:
    case SS_ETCHEDFRAME:
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT:
      return false;
    default:
      return true;
  }
}

const struct {
  LPCSTR id;
  const char* name;
} kIcons[] = {
    {IDI_ASTERISK, "information"}, {IDI_EXCLAMATION, "exclamation"}, {IDI_HAND, "stop"}, {IDI_QUESTION, "question"}};

// 32-bit pixels of `size`, as `paint` leaves them on a bitmap like the screen's.
template <typename Paint>
std::vector<DWORD> pixels(HDC screen, SIZE size, Paint paint) {
  std::vector<DWORD> out(size.cx * size.cy);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
  HGDIOBJ old = SelectObject(dc, bitmap);
  paint(dc);
  SelectObject(dc, old);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  GetDIBits(dc, bitmap, 0, size.cy, out.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return out;
}

// In the box's own process the static holds the very system icon loaded here. Another
// process has handles of its own for the same icons: there the icon on the screen is
// compared with each system icon drawn alike, once the box has been drawn.
std::string iconName(HWND control) {
  LRESULT shown = 0;
  if (!sendWithTimeout(control, STM_GETICON, 0, 0, shown) || !shown) return "none";
  for (const auto& k : kIcons) {
    if (reinterpret_cast<HICON>(shown) == LoadIconA(nullptr, k.id)) return k.name;
  }
  if (processOf(control) == GetCurrentProcessId()) return "none";  // another icon, such as the program's
  RECT rect;
  GetWindowRect(control, &rect);
  const SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
  std::string name = "none";
  HDC screen = GetDC(nullptr);
  pollUntil(5000, [&] {  // a busy machine may take its time to paint the box
    const std::vector<DWORD> seen =
        pixels(screen, size, [&](HDC dc) { BitBlt(dc, 0, 0, size.cx, size.cy, screen, rect.left, rect.top, SRCCOPY); });
    const COLORREF corner = RGB(seen[0] >> 16 & 0xFF, seen[0] >> 8 & 0xFF, seen[0] & 0xFF);  // the background
    for (const auto& k : kIcons) {
      const std::vector<DWORD> icon = pixels(screen, size, [&](HDC dc) {
        HBRUSH brush = CreateSolidBrush(corner);
        const RECT all = {0, 0, size.cx, size.cy};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DrawIconEx(dc, 0, 0, LoadIconA(nullptr, k.id), size.cx, size.cy, 0, nullptr, DI_NORMAL);
      });
      if (icon == seen) name = k.name;
    }
    return name != "none";
  });
  ReleaseDC(nullptr, screen);
  return name;
}
}  // namespace

BoxContent readBox(HWND box) {
  BoxContent content{windowText(box), "", "none", {}, {}};
  for (HWND child : childWindows(box)) {
    // Styles, not IsWindowVisible: a box being activated is not on the screen yet.
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (!(style & WS_VISIBLE)) continue;
    const std::string cls = windowClass(child);
    if (cls == "Button") {
      content.buttons.push_back(withoutMnemonic(windowText(child)));
    } else if (cls == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
      content.icon = iconName(child);
    } else if (cls == "Static" && isTextStatic(style) && !windowText(child).empty()) {
      content.statics.push_back(windowText(child));
    }
  }
  if (!content.statics.empty()) content.text = content.statics.front();
  return content;
}
