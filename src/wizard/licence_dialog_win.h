// The modal licence agreement that comes before the user's details.
#pragma once

#include <windows.h>

#include "common/handles_win.h"

// The dialog's GDI objects: empty while it is not shown.
extern GdiObjectHolder LicenceBrush;  // background of the agreement text
extern GdiObjectHolder LicenceFont;   // fixed-pitch font of the agreement text

// Shows the agreement owned by the backdrop and returns the dialog result:
// IDOK for Yes, IDCANCEL for No or Escape, -1 when it cannot be shown.
int RunLicenceDialog();

INT_PTR CALLBACK LicenceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
