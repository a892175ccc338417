// Stands in for a control.exe planted beside setup: it leaves a mark that it ran.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HANDLE mark = CreateFileA("C:\\run\\planted-control-ran.txt", GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  return 0;
}
