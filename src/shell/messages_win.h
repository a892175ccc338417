// Window messages of the setup program's own, and the pump that keeps its
// windows alive while the installation waits.
#pragma once

#include <windows.h>

// Posted to the backdrop it shows the wizard; the welcome page posts it to
// itself to take the foreground and the focus once.
constexpr UINT WM_SHOWWIZARD = WM_USER + 1234;

// Dispatches every message waiting in the thread's queue and returns when it
// is empty; never blocks. No message goes to the wizard's dialog handling.
void PumpMessages();
