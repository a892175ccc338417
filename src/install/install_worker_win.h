// The installation itself: closes a running companion and screen saver,
// checks that the volumes have room, writes the three
// archives, the uninstall entry, the settings and the shortcuts, then makes the
// screen saver current, opens its configuration and starts the companion.
#pragma once

#include <windows.h>

// How long the installation waits, in ms, for the programs it deals with.
// Setup waits as long as the product's programs may need; tests pass shorter
// waits for their stand-ins.
struct InstallWaits {
  // For a companion asked to close to take the request and then to go away,
  DWORD companionClose = 120000;
  // and then before its files are written over, while it lets go of them.
  DWORD companionSettle = 15000;
  // For each of the screen saver's windows to take the request to close, and
  // then for its process to end.
  DWORD saverClose = 10000;
  // For the screen saver's configuration to become ready for input.
  DWORD configureIdle = 240000;
};

// The product's own waits.
inline constexpr InstallWaits kProductWaits = {};

// Runs the whole installation on the calling (UI) thread. `owner` is the parent
// of the progress panel and the owner of every error message. Returns 1 when no
// step failed, 0 after the first failure (which has been reported); nothing
// written before a failure is undone.
int InstallWorker(HWND owner, const InstallWaits& waits = kProductWaits);

// The earlier installation's folder when the installation moved from there and
// items were left in it (the user's, or files in use); empty otherwise.
extern char gEarlierFolderKept[];

// The installed screen saver's version number (a.b.c.d gives a * 10000 +
// b * 100 + d), process-wide; 10043 until a version resource has been read.
extern DWORD gVersionNumber;
