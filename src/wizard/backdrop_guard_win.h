// Keeps the backdrop from being closed while a wizard page runs a modal window.
#pragma once

#include <windows.h>

#include "shell/setup_state_win.h"

// A page's message box or folder browser disables only the sheet. The backdrop
// would stay enabled: a click on it and Escape would destroy the sheet in the
// middle of the page's own notification, and the sheet would go on in freed
// memory. So the backdrop is disabled for as long as the modal window runs.
class BackdropDisabled {
 public:
  BackdropDisabled() : backdrop_(gState.BackdropWnd) {
    if (backdrop_ != nullptr && IsWindowEnabled(backdrop_))
      EnableWindow(backdrop_, FALSE);
    else
      backdrop_ = nullptr;
  }
  ~BackdropDisabled() {
    if (backdrop_ != nullptr) EnableWindow(backdrop_, TRUE);
  }
  BackdropDisabled(const BackdropDisabled&) = delete;
  BackdropDisabled& operator=(const BackdropDisabled&) = delete;

 private:
  HWND backdrop_;
};
