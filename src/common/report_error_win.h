// The one message box of the setup program: a warning with the setup caption.
#pragma once

#include <windows.h>

// Formats at most 1024 characters with wvsprintfA (a null format gives an empty
// message), beeps and shows the message owned by `owner`.
void ReportError(HWND owner, const char* format, ...);
void ReportErrorV(HWND owner, const char* format, va_list arguments);
