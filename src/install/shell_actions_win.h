// How the installation acts on the shell and the file system: directories,
// shortcut files, the current screen saver and its start when setup ends
// (programs start through StartProgram, common/programs_win.h).
#pragma once

#include <windows.h>

// Ensures the directory exists, creating missing parents first (only a
// backslash separates components). Returns 1 on success, 0 otherwise.
int MakeDirectoryPath(const char* path);

// Writes one shell link file; returns 1 when it was saved.
int CreateShortcut(const char* description, const char* target, const char* linkFile,
                   const char* workingDirectory);

// Makes the screen saver the system's current one and switches it on.
void MakeCurrentScreenSaver(const char* saverPath);

// Starts the installed screen saver with "+s"; beeps when it cannot.
void LaunchScreenSaver();
