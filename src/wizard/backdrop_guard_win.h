// Keeps the backdrop from being closed while a wizard page runs a modal window.
#pragma once

#include <windows.h>

#include "shell/setup_state_win.h"

// A page's message box or folder browser disables only the sheet. The backdrop
// would stay enabled: a click on it and Escape would destroy the sheet in the
// middle of the page's own notification, and the sheet would go on in freed
// memory. So a guard disables the backdrop for as long as it lives, around the
// modal window.
class BackdropGuard {
 public:
  BackdropGuard() : backdrop_(gState.BackdropWnd) {
    if (backdrop_ != nullptr && IsWindowEnabled(backdrop_))
      EnableWindow(backdrop_, FALSE);
    else
      backdrop_ = nullptr;
  }
  ~BackdropGuard() {
    if (backdrop_ != nullptr) EnableWindow(backdrop_, TRUE);
  }
  BackdropGuard(const BackdropGuard&) = delete;
  BackdropGuard& operator=(const BackdropGuard&) = delete;

 private:
  HWND backdrop_;
};
