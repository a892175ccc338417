// Centring a window over another, kept inside the work area: the wizard
// sheet over the backdrop and the folder browser over the desktop.
#pragma once

#include <windows.h>

// Centres `window` over `reference`, inside the work area. Returns the
// SetWindowPos result, or FALSE when either window has no rectangle.
BOOL CenterWindowOver(HWND window, HWND reference);
