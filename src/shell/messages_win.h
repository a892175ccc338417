// Window messages of the setup program's own.
#pragma once

#include <windows.h>

// Posted to the backdrop it shows the wizard; the welcome page posts it to
// itself to take the foreground and the focus once.
constexpr UINT WM_SHOWWIZARD = WM_USER + 1234;
