// Extraction of the ZIP archives the setup program carries as RCDATA resources.
#pragma once

#include <windows.h>

// Writes every member of RCDATA resource `resourceId` of the program's own
// module into `directory`, an existing directory, showing each member's path on
// the detail line of `panel`. `lastPath`, when not null, is a buffer of
// kPathSize characters that receives each member's destination path.
// `bytesWritten`, when not null, receives the sum of the written files' sizes.
// Returns nonzero when every member was written and the archive ended properly.
int ExtractResourceArchive(HWND panel, const char* directory, int resourceId, char* lastPath,
                           DWORD* bytesWritten = nullptr);
