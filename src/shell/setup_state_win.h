// The one process-wide record of setup: the user's answers, the run's flags and
// the handles the windows share. Zero-filled at start; LoadSetupState fills it.
#pragma once

#include <windows.h>

#include "common/path.h"

constexpr std::size_t kUserTextSize = 256;

struct SetupState {
  // Answers persisted in the settings key under the same names.
  char AppDir[kPathSize];
  char RegisteredOwner[kUserTextSize];
  char RegisteredOrganization[kUserTextSize];
  char RegisteredEMail[kUserTextSize];
  DWORD SSHotkey;
  DWORD ToolHotkey;
  DWORD DisplayMode;
  // Flags of this run, each 1 or 0.
  DWORD MakeCurrent;
  DWORD ConfigureSaver;
  DWORD LaunchAfterSetup;
  DWORD InstallSucceeded;
  DWORD InstallRunning;
  // Where the folder browser opens.
  char BrowseFolder[kPathSize];
  HINSTANCE Instance;
  HWND BackdropWnd;
  HWND WizardWnd;
  HFONT TitleFont;
};

extern SetupState gState;

// Fills gState with the defaults, the system's Program Files directory, owner
// and organisation, and a previous installation's settings.
void LoadSetupState();

// Writes the Program Files directory into a buffer of kPathSize bytes, falling
// back to "C:\Program Files\"; returns nonzero when the buffer is not empty.
int FindProgramFilesDir(char* buffer);
