#include "wizard/centring_win.h"

#include "wizard/centring.h"

namespace {

ScreenRect ToScreenRect(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

RECT FindWorkArea() {
  RECT area;
  if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) return area;
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

BOOL CenterWindowOver(HWND window, HWND reference) {
  RECT own;
  RECT over;
  if (!GetWindowRect(window, &own) || !GetWindowRect(reference, &over)) return FALSE;
  ScreenPoint corner = FindCentredPosition(own.right - own.left, own.bottom - own.top,
                                           ToScreenRect(over), ToScreenRect(FindWorkArea()));
  return SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
