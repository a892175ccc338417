#include "shell/run_setup_win.h"

#include <commctrl.h>

#include "common/system_library_win.h"
#include "install/shell_actions_win.h"
#include "shell/backdrop_win.h"
#include "shell/setup_state_win.h"

namespace {

// Offers the message to the wizard; true when the wizard consumed it. After a
// consumed message a sheet without a current page has ended (Finish or Cancel).
bool OfferToWizard(MSG* message) {
  if (gState.WizardWnd == nullptr) return false;
  if (SendMessageA(gState.WizardWnd, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(message)) ==
      0)
    return false;
  if (SendMessageA(gState.WizardWnd, PSM_GETCURRENTPAGEHWND, 0, 0) == 0)
    SendMessageA(gState.BackdropWnd, WM_CLOSE, 0, 0);
  return true;
}

}  // namespace

int RunMessageLoop() {
  MSG message = {};
  while (GetMessageA(&message, nullptr, 0, 0)) {
    if (OfferToWizard(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void RunExitAction() {
  if (gState.InstallSucceeded && gState.LaunchAfterSetup) LaunchScreenSaver();
}

int RunSetup(HINSTANCE instance, int showCommand) {
  HardenDllSearch();
  gState.Instance = instance;
  LoadSetupState();
  if (!RegisterBackdropClass()) return 0;
  gState.BackdropWnd = CreateBackdrop();
  if (gState.BackdropWnd == nullptr) return 0;
  ShowWindow(gState.BackdropWnd, showCommand);
  UpdateWindow(gState.BackdropWnd);
  int exitCode = RunMessageLoop();
  RunExitAction();
  return exitCode;
}
