#include "common/report_error_win.h"

#include "common/texts.h"

void ReportErrorV(HWND owner, const char* format, va_list arguments) {
  char message[1024] = "";
  if (format != nullptr) wvsprintfA(message, format, arguments);
  MessageBeep(MB_ICONEXCLAMATION);
  MessageBoxA(owner, message, kSetupCaption, MB_ICONEXCLAMATION);
}

void ReportError(HWND owner, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  ReportErrorV(owner, format, arguments);
  va_end(arguments);
}
