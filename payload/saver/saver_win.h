// The screen saver's three faces: its settings dialog, its full-screen run and
// its preview inside the display settings.
#pragma once

#include <windows.h>

struct SaverSettings {
  DWORD speed;    // 1 slow, 2 medium, 3 fast
  bool pictures;  // show the image packs' pictures behind the stars
};

// Reads the settings, with the defaults for anything missing or out of range.
SaverSettings LoadSaverSettings();

// Shows the settings dialog owned by `parent` (may be null) and returns when
// the user closes it; OK stores the choices in the settings key.
void ShowSaverSettings(HINSTANCE instance, HWND parent);

// Covers the whole screen with a top-most window and animates until a key
// press, a click or a real mouse movement. Returns the process exit code.
int RunFullScreenSaver(HINSTANCE instance);

// Draws the scene into a child window filling `parent`'s client area until
// that window goes. Returns the process exit code.
int RunSaverPreview(HINSTANCE instance, HWND parent);
