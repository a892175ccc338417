// The small panel that stands in front of the backdrop while setup installs:
// a fixed title, the step line and the detail line (the file being written).
#pragma once

#include <windows.h>

INT_PTR CALLBACK ProgressPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the panel from its template, visible, with `parent` as its parent.
// Returns null when it cannot be created; setup then goes on without progress.
HWND CreateProgressPanel(HWND parent);

// Sets one line of the panel to the formatted text (a null format gives the
// empty text) and repaints it at once, since the installation does not return
// to a message loop while it works. A new step clears the detail line. Does
// nothing when the panel or the control does not exist.
void SetProgressText(HWND panel, int controlId, const char* format, ...);
