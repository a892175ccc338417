// Reads a file version the way setup does, after the same hardening: exits 0
// only when the system's VERSION library answered, not a DLL planted beside it.
#include <windows.h>

#include "common/system_library_win.h"

int main() {
  HardenDllSearch();
  DWORD handle = 0;
  return SystemGetFileVersionInfoSizeA("C:\\windows\\system32\\kernel32.dll", &handle) > 0 ? 0 : 1;
}
