// The screen saver's settings: read from the settings key, and its dialog.
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
