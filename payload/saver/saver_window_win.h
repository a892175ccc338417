// The screen saver's two windows: its full-screen run and its preview inside
// the display settings.
#pragma once

#include <windows.h>

// Covers the whole screen with a top-most window and animates until a key
// press, a click or a real mouse movement. Returns the process exit code.
int RunFullScreenSaver(HINSTANCE instance);

// Draws the scene into a child window filling `parent`'s client area until
// that window goes. Returns the process exit code.
int RunSaverPreview(HINSTANCE instance, HWND parent);
