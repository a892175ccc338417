// Removing what setup installed: the companion is closed, then the files,
// shortcuts, the system.ini entry and the registry keys are deleted.
#pragma once

#include "common/path.h"

// The uninstaller's exit codes.
enum UninstallExitCode { kUninstallRemoved = 0, kUninstallCancelled = 1, kUninstallIncomplete = 2 };

struct RemovalReport {
  int failures;                  // items that could neither be removed nor scheduled
  bool restartNeeded;            // something in use is deleted when Windows restarts
  char firstFailure[kPathSize];  // the first item left, for the message
};

// Removes the installed product; a missing item counts as removed.
void RemoveProduct(RemovalReport* report);
