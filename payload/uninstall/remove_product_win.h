// Removing exactly what setup installed: the files it wrote, by their names in
// its archives; the folders it made, once they are empty; its shortcuts, the
// current-saver entry and the registry keys. Whatever else lies in those
// folders is the user's: it stays and is named.
#pragma once

#include "common/product_files_win.h"

// The uninstaller's exit codes.
enum UninstallExitCode {
  kUninstallRemoved = 0,        // nothing of the product and nothing else is left
  kUninstallCancelled = 1,      // the user said no; nothing was touched
  kUninstallIncomplete = 2,     // an item of the product is left (in use); run again
  kUninstallKeptUserItems = 3,  // the product is removed; the user's own items stay
};

UninstallExitCode ExitCodeOf(const RemovalReport& report);

// Removes the product installed in `appDir`, except the uninstaller there and
// `appDir` itself, which RemoveUninstaller takes afterwards (unless
// `uninstallerStays`, which counts the uninstaller as left). The registry keys
// go only when nothing of the product is left. The parts every installation
// shares (the screen saver, its system.ini entry, the shortcuts and the keys)
// are left to another installation that the machine's uninstall entry names.
void RemoveProduct(const char* appDir, bool uninstallerStays, RemovalReport* report);

// Deletes the uninstaller in `appDir`, waiting a few seconds for the file to be
// released, and then `appDir` when it is empty; names the file when it stays.
void RemoveUninstaller(const char* appDir, RemovalReport* report);
