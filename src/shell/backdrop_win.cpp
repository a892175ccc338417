#include "shell/backdrop_win.h"

#include "shell/setup_state_win.h"

// Until the painted backdrop and the wizard arrive, the window only ends setup:
// on Escape, and when it is destroyed.
LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE && !gState.InstallRunning) DestroyWindow(window);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
