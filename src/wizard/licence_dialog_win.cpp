#include "wizard/licence_dialog_win.h"

#include "common/handles_win.h"
#include "resource_ids.h"
#include "shell/setup_state_win.h"
#include "wizard/licence_text.h"

GdiObjectHolder LicenceBrush;
GdiObjectHolder LicenceFont;

namespace {

constexpr int kLicencePoints = 8;

void SetTitleFont(HWND dialog) {
  HWND title = GetDlgItem(dialog, IDC_TITLE);
  // Without a title font the title keeps the dialog's font.
  if (title != nullptr && gState.TitleFont != nullptr)
    SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(gState.TitleFont), TRUE);
}

HFONT CreateLicenceFont(HDC dc) {
  int height = -MulDiv(kLicencePoints, GetDeviceCaps(dc, LOGPIXELSY), 72);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0,
                     "Courier New");
}

void FillLicenceText(HWND dialog) {
  HWND text = GetDlgItem(dialog, IDC_LICENCE_TEXT);
  if (text == nullptr) return;
  HDC dc = GetDC(text);
  if (dc != nullptr) {
    LicenceFont.reset(CreateLicenceFont(dc));
    if (LicenceFont.valid())
      SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(LicenceFont.get()), FALSE);
    ReleaseDC(text, dc);
  }
  SetWindowTextA(text, LicenceText);
}

INT_PTR InitLicenceDialog(HWND dialog) {
  LOGBRUSH brush = {BS_SOLID, GetSysColor(COLOR_WINDOW), 0};
  LicenceBrush.reset(CreateBrushIndirect(&brush));
  SetTitleFont(dialog);
  FillLicenceText(dialog);
  return TRUE;  // the dialog manager focuses the first tab stop, "Yes"
}

// A read-only edit asks for its colours as a static does; the agreement is
// drawn like editable text, not on the grey of a read-only box.
INT_PTR ColourLicenceText(HWND dialog, HDC dc, HWND control) {
  if (control != GetDlgItem(dialog, IDC_LICENCE_TEXT)) return FALSE;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return reinterpret_cast<INT_PTR>(LicenceBrush.get());
}

}  // namespace

int RunLicenceDialog() {
  return static_cast<int>(DialogBoxParamA(gState.Instance, MAKEINTRESOURCEA(IDD_LICENCE),
                                          gState.BackdropWnd, LicenceDialogProc, 0));
}

INT_PTR CALLBACK LicenceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return InitLicenceDialog(dialog);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return ColourLicenceText(dialog, reinterpret_cast<HDC>(wParam),
                               reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      LicenceBrush.reset();
      LicenceFont.reset();
      return FALSE;
  }
  return FALSE;
}
