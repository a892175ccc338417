// Imports VERSION and COMCTL32 the ordinary way, so that the loader resolves
// them at start: beside planted DLLs it loads those, which shows that the
// planted-DLL test can fail.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

int main() {
  InitCommonControls();
  DWORD handle = 0;
  return GetFileVersionInfoSizeA("C:\\windows\\system32\\kernel32.dll", &handle) > 0 ? 0 : 1;
}
