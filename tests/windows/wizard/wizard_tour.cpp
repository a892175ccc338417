// Walks the wizard and stops at every page and dialog until the screen has
// been photographed: take_screenshots.sh answers each stop. Not a test: it is
// how the wizard is looked at as a person would see it.
#include <windows.h>
// The property sheet header needs windows.h first.
#include <prsht.h>

#include <cstdio>

#include "common/path.h"
#include "resource_ids.h"
#include "shell/setup_state_win.h"
#include "wizard/wizard_sheet_win.h"
#include "wizard_driver.h"

namespace {

constexpr char kShotFolder[] = "C:\\run\\shots";

void Touch(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// Announces a stop and waits until the photographer has taken it.
void Stop(const char* name) {
  static int count = 0;
  char ready[MAX_PATH];
  char done[MAX_PATH];
  ++count;
  std::snprintf(ready, sizeof ready, "%s\\%02d-%s.ready", kShotFolder, count, name);
  std::snprintf(done, sizeof done, "%s\\%02d-%s.done", kShotFolder, count, name);
  Sleep(700);  // let the windows finish painting
  Touch(ready);
  if (!WaitUntil([&] { return FileExists(done); }, 60000))
    std::fprintf(stderr, "no photograph of %s\n", name);
}

void Tour(HWND sheet) {
  if (!WaitForPage(sheet, PageWelcome)) return;
  Stop("welcome");
  PressButton(sheet, PSBTN_NEXT);
  HWND licence = WaitForDialog(DialogKind::Licence);
  if (licence == nullptr) return;
  Stop("licence");
  ClickControl(licence, IDOK);
  if (!WaitForPage(sheet, PageUserInfo)) return;
  HWND page = CurrentPage(sheet);
  SetControlText(page, IDC_USER_EMAIL, "ada.example.org");
  PressButton(sheet, PSBTN_NEXT);
  HWND box = WaitForDialog(DialogKind::MessageBox);
  if (box == nullptr) return;
  Stop("email-error");
  ClickControl(box, IDOK);
  WaitUntil([] { return FindDialog(DialogKind::MessageBox) == nullptr; });
  SetControlText(page, IDC_USER_EMAIL, "ada@example.org");
  Stop("user-information");
  PressButton(sheet, PSBTN_NEXT);
  if (WaitForPage(sheet, PageDisplaySettings, 3000)) {
    Stop("display-settings");
    PressButton(sheet, PSBTN_NEXT);
  }
  if (!WaitForPage(sheet, PageAppDirectory)) return;
  Stop("application-directory");
  ClickControl(CurrentPage(sheet), IDC_APPDIR_BROWSE);
  HWND browser = WaitForDialog(DialogKind::FolderBrowser);
  if (browser == nullptr) return;
  Stop("folder-browser");
  ClickControl(browser, IDCANCEL);
  WaitUntil([] { return FindDialog(DialogKind::FolderBrowser) == nullptr; });
  if (!MoveTo(sheet, PSBTN_NEXT, PageConfiguration, 60000)) return;
  Stop("configuration");
  if (!MoveTo(sheet, PSBTN_NEXT, PageStartInstall, 60000)) return;
  Stop("start-installation");
  if (!MoveTo(sheet, PSBTN_NEXT, PageComplete, 60000)) return;
  Stop("installation-complete");
  PressButton(sheet, PSBTN_FINISH);
}

}  // namespace

int main() {
  CreateDirectoryA(kShotFolder, nullptr);
  PrepareSetupState();
  CopyText(gState.RegisteredOwner, kUserTextSize, "Ada Lovelace");
  CopyText(gState.RegisteredOrganization, kUserTextSize, "Analytical Engines");
  WizardRun run = RunWizard(Tour);
  Touch("C:\\run\\shots\\finished");
  return run.created && !run.forcedEnd ? 0 : 1;
}
