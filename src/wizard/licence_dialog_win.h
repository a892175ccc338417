// The modal licence agreement that comes before the user's details.
#pragma once

#include <windows.h>

// The dialog's GDI objects: null while it is not shown.
extern HBRUSH LicenceBrush;  // background of the agreement text
extern HFONT LicenceFont;    // fixed-pitch font of the agreement text

// Shows the agreement owned by the backdrop and returns the dialog result:
// IDOK for Yes, IDCANCEL for No or Escape, -1 when it cannot be shown.
int RunLicenceDialog();

INT_PTR CALLBACK LicenceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
