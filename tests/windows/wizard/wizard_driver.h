// Runs the real wizard in this process, owned by the real backdrop and served
// by the real message loop, while a script on a second thread drives it as a
// person would: it finds the windows, types into edits, clicks and presses.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A folder that arrives read-only from the build folder: folders cannot be
// made read-only from a program here.
constexpr char kReadOnlyFolder[] = "C:\\run\\ReadOnly";

// The sheet's own buttons.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

// Fills SetupState as setup does at start and clears the wizard's run flags,
// so that each test starts a fresh run. Tests change fields afterwards.
void PrepareSetupState();

struct WizardRun {
  bool created = false;    // the backdrop and the sheet were created
  bool loopEnded = false;  // the message loop saw WM_QUIT
  bool forcedEnd = false;  // the script left the wizard open: it was closed for it
};

// Creates the backdrop (which creates the sheet), runs the message loop until
// it ends and the script has returned, and cleans up whatever the run left.
// The script runs on its own thread and is given the sheet.
WizardRun RunWizard(const std::function<void(HWND sheet)>& script);

// Runs `body` on this thread, which must serve its windows (as a modal dialog
// does), while `script` drives them from a second thread.
void RunWithScript(const std::function<void()>& body, const std::function<void()>& script);

// Helpers for the script thread. Every wait gives up after `timeout` ms.
constexpr DWORD kWaitTime = 15000;
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout = kWaitTime);
HWND CurrentPage(HWND sheet);
LPARAM CurrentPageId(HWND sheet);
// Waits until the given page is current and the sheet is visible.
bool WaitForPage(HWND sheet, LPARAM pageId, DWORD timeout = kWaitTime);
// Returns once the wizard's thread is back at its messages, so that what it
// was handling (a modal window that has just gone, for one) is done.
void WaitForWizardThread();
// Presses a sheet button (PSBTN_*) the way the sheet's own buttons do.
void PressButton(HWND sheet, int button);
// Presses a sheet button and waits for the page it should lead to.
bool MoveTo(HWND sheet, int button, LPARAM pageId, DWORD timeout = kWaitTime);
// From the welcome page: Next, then Yes in the licence dialog.
bool AcceptLicence(HWND sheet);
// The number of pages the sheet holds.
int PageCount(HWND sheet);
void ClickControl(HWND dialog, int control);
std::string ControlText(HWND dialog, int control);
void SetControlText(HWND dialog, int control, const char* text);
bool IsControlChecked(HWND dialog, int control);
// Posts a key press to a window, as the keyboard would deliver it.
void PressKey(HWND window, WPARAM key);
// Clicks the screen at a point and then presses a key, through the system's
// input queue, as a person at the machine would.
void ClickScreenThenPress(POINT point, WORD key);

// The sheet's buttons as the user sees them.
struct ButtonSet {
  bool backEnabled;
  bool nextShown;
  bool nextEnabled;
  bool finishShown;
  bool cancelEnabled;
};
ButtonSet ReadButtons(HWND sheet);

enum class DialogKind { Licence, MessageBox, FolderBrowser };
// Waits for a visible dialog of the given kind on the wizard's thread.
HWND WaitForDialog(DialogKind kind, DWORD timeout = kWaitTime);
// Whether such a dialog is up now.
HWND FindDialog(DialogKind kind);
// The texts of a dialog's static controls, one a line.
std::string DialogTexts(HWND dialog);
// The window that has the keyboard focus on the wizard's thread.
HWND FocusedWindow();
// The window enabled state of a dialog control.
bool IsControlEnabled(HWND dialog, int control);

// A string resource of the program.
std::string ResourceText(int id);
// Reads a text value of the settings key; empty when missing.
std::string ReadSetting(const char* name);
bool FileExists(const char* path);
