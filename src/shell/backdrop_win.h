// The full-screen window behind the wizard; it owns the wizard and the title font.
#pragma once

#include <windows.h>

LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
