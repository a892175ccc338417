// Files of the system directory, and the libraries loaded from there: those
// that are not Known DLLs are loaded by full path, after the DLL search has
// been narrowed, so that a DLL planted beside setup.exe (a download folder) is
// never loaded in their place.
#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <prsht.h>

// Writes the system directory into a buffer of kPathSize; false when it does
// not fit.
bool FindSystemDirectory(char* path);

// The system directory, then `name`, in a buffer of kPathSize; false when it
// does not fit. The installed screen saver is kSaverFile there.
bool BuildSystemPath(char* path, const char* name);

// Narrows the DLL search to the system directory where the system offers it
// and takes the current directory out of it. Call first thing in the process.
void HardenDllSearch();

// The common controls' property sheet and initialisation, from the system's
// COMCTL32. Each fails cleanly (-1, or FALSE with ERROR_MOD_NOT_FOUND) when
// the library or the entry point is missing.
INT_PTR SystemPropertySheetA(LPCPROPSHEETHEADERA header);
BOOL SystemInitCommonControls();

// The version information calls, from the system's VERSION library; they fail
// (0 or FALSE) when the library is missing.
DWORD SystemGetFileVersionInfoSizeA(const char* file, DWORD* handle);
BOOL SystemGetFileVersionInfoA(const char* file, DWORD handle, DWORD size, void* data);
BOOL SystemVerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length);
