// The folder browser of the application-directory page.
#pragma once

#include <windows.h>

// How the browser learns a drive's type; the default asks the system.
using DriveTypeQuery = UINT(WINAPI*)(LPCSTR root);

// Lets the user choose the folder to install under. A chosen folder becomes
// BrowseFolder, the folder with "Tarnwick" appended becomes AppDir, and edit
// 1004 of `page` shows it; cancelling changes nothing. Returns whether a folder
// was taken.
bool BrowseForAppDir(HWND page);

// The browser's callback: centres the browser and opens it at the folder that
// `data` points to; enables OK only for folders that can take the installation.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

// Whether the installation may go into `path`: an existing folder without the
// read-only attribute, or the root of a removable, fixed, network or RAM drive.
bool CanTakeInstallation(const char* path, DriveTypeQuery driveType = GetDriveTypeA);
