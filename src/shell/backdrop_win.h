// The full-screen window behind the wizard: it paints the gradient with the
// title, credits and notice, owns the wizard and the title font, and ends setup
// when it is closed (never while an installation runs).
#pragma once

#include <windows.h>

// Registers the backdrop's window class "SSSetupClass" for gState.Instance.
bool RegisterBackdropClass();

// Creates the backdrop, hidden, over the whole desktop; its creation creates
// the wizard. Null when either cannot be created.
HWND CreateBackdrop();

LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Paints the whole backdrop for the window's client size into `dc`; returns 0.
int PaintBackdrop(HWND window, HDC dc);
