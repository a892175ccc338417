#include "install/progress_panel_win.h"

#include "resource_ids.h"

namespace {

void ShowLine(HWND panel, int controlId, const char* text) {
  HWND line = GetDlgItem(panel, controlId);
  if (line == nullptr) return;
  SetWindowTextA(line, text);
  InvalidateRect(line, nullptr, FALSE);
  UpdateWindow(line);
}

}  // namespace

INT_PTR CALLBACK ProgressPanelProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

HWND CreateProgressPanel(HWND parent) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS_PANEL), parent,
                            ProgressPanelProc, 0);
}

void SetProgressText(HWND panel, int controlId, const char* format, ...) {
  if (panel == nullptr || !IsWindow(panel)) return;
  char text[1024] = "";
  if (format != nullptr) {
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
  }
  ShowLine(panel, controlId, text);
  if (controlId == IDC_PROGRESS_STEP) ShowLine(panel, IDC_PROGRESS_DETAIL, "");
}
