// Ending the product's running programs before their files are written over
// or removed: setup and the uninstaller close them the same way.
#pragma once

#include <windows.h>

// Asks every window of the screen saver (full screen, the preview inside
// another program's window, the settings dialog) to close and waits for each
// one's process to end, at most `limit` ms for each: a running saver holds its
// file, and a settings dialog left open would write its settings back later.
void CloseSaverWindows(DWORD limit);

// The same for the companion's windows and the saver's, so that their files
// can be deleted.
void CloseProductPrograms();
