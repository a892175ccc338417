#include "wizard_driver.h"

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "common/texts.h"
#include "shell/backdrop_win.h"
#include "shell/run_setup_win.h"
#include "shell/setup_state_win.h"
#include "support/windows_test_support.h"
#include "wizard/wizard_pages_win.h"
#include "wizard/wizard_sheet_win.h"

namespace {

constexpr DWORD kSendTime = 3000;

DWORD gWizardThread = 0;

bool RegisterTestBackdrop() {
  static bool registered = false;
  if (!registered) registered = RegisterBackdropClass();
  return registered;
}

// Messages to the wizard's thread never block the script for long: that thread
// may be busy installing.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTime, &result))
    return 0;
  return static_cast<LRESULT>(result);
}

// Closes a wizard the script left open, after giving an ending already on its
// way the time to arrive; a running installation refuses, so the close is
// repeated until the loop has ended.
bool EndLeftoverRun(HWND backdrop, const std::atomic<bool>& loopEnded) {
  bool forced = false;
  for (int attempt = 0; attempt < 1000 && !loopEnded; ++attempt) {
    if (IsWindow(backdrop) && attempt >= 250 && attempt % 50 == 0) {
      // Modal windows first, so that nothing is destroyed under them.
      for (DialogKind kind :
           {DialogKind::MessageBox, DialogKind::FolderBrowser, DialogKind::Licence})
        if (HWND dialog = FindDialog(kind)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      Sleep(200);
      PostMessageA(backdrop, WM_CLOSE, 0, 0);
      forced = true;
    }
    Sleep(20);
  }
  return forced;
}

// Serves the backdrop's thread until the script has returned.
void PumpUntil(const std::atomic<bool>& done) {
  while (!done) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void DropQuitMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

struct DialogSearch {
  DialogKind kind;
  HWND found;
};

bool HasChildOfClass(HWND dialog, const char* className) {
  return FindWindowExA(dialog, nullptr, className, nullptr) != nullptr;
}

bool IsLicenceDialog(HWND dialog) {
  char className[32] = "";
  HWND text = GetDlgItem(dialog, 1000);
  return text != nullptr && GetClassNameA(text, className, sizeof className) &&
         lstrcmpiA(className, "Edit") == 0;
}

bool IsKind(HWND dialog, DialogKind kind) {
  if (kind == DialogKind::Licence) return IsLicenceDialog(dialog);
  bool browser = HasChildOfClass(dialog, "SysTreeView32");
  if (kind == DialogKind::FolderBrowser) return browser;
  char caption[64] = "";
  GetWindowTextA(dialog, caption, sizeof caption);
  return !browser && !IsLicenceDialog(dialog) && std::strcmp(caption, kSetupCaption) == 0;
}

BOOL CALLBACK CheckTopWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  char className[16] = "";
  if (window == gState.WizardWnd || !IsWindowVisible(window)) return TRUE;
  if (!GetClassNameA(window, className, sizeof className) || std::strcmp(className, "#32770") != 0)
    return TRUE;
  if (!IsKind(window, search->kind)) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM data) {
  char className[16] = "";
  GetClassNameA(child, className, sizeof className);
  if (lstrcmpiA(className, "Static") != 0) return TRUE;
  char text[1024] = "";
  Send(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  auto* texts = reinterpret_cast<std::string*>(data);
  if (text[0] != '\0') *texts += std::string(text) + "\n";
  return TRUE;
}

}  // namespace

void PrepareSetupState() {
  gState = SetupState{};
  gState.Instance = GetModuleHandleA(nullptr);
  LoadSetupState();
  SheetCentred = 0;
  WelcomeActivated = 0;
  LicenceAccepted = 0;
}

WizardRun RunWizard(const std::function<void(HWND sheet)>& script) {
  WizardRun run;
  gWizardThread = GetCurrentThreadId();
  if (!RegisterTestBackdrop()) return run;
  HWND backdrop = CreateBackdrop();
  gState.BackdropWnd = backdrop;
  if (backdrop == nullptr) return run;
  run.created = true;
  ShowWindow(backdrop, SW_SHOWNORMAL);
  UpdateWindow(backdrop);

  std::atomic<bool> loopEnded{false};
  std::atomic<bool> scriptDone{false};
  bool forced = false;
  HWND sheet = gState.WizardWnd;
  std::thread driver([&] {
    script(sheet);
    forced = EndLeftoverRun(backdrop, loopEnded);
    scriptDone = true;
  });
  RunMessageLoop();
  loopEnded = true;
  PumpUntil(scriptDone);
  driver.join();
  run.loopEnded = true;
  run.forcedEnd = forced;
  // The display-settings button ends the loop with the windows still there.
  if (IsWindow(backdrop)) DestroyWindow(backdrop);
  DropQuitMessages();
  gState.BackdropWnd = nullptr;
  return run;
}

void RunWithScript(const std::function<void()>& body, const std::function<void()>& script) {
  gWizardThread = GetCurrentThreadId();
  std::atomic<bool> scriptDone{false};
  std::thread driver([&] {
    script();
    scriptDone = true;
  });
  body();
  PumpUntil(scriptDone);
  driver.join();
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= timeout) return false;
    Sleep(20);
  }
  return true;
}

HWND CurrentPage(HWND sheet) {
  if (!IsWindow(sheet)) return nullptr;
  return reinterpret_cast<HWND>(Send(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

LPARAM CurrentPageId(HWND sheet) {
  HWND page = CurrentPage(sheet);
  return page != nullptr ? GetWindowLongPtrA(page, GWLP_USERDATA) : 0;
}

bool WaitForPage(HWND sheet, LPARAM pageId, DWORD timeout) {
  return WaitUntil([&] { return IsWindowVisible(sheet) && CurrentPageId(sheet) == pageId; },
                   timeout);
}

void WaitForWizardThread() {
  Send(gState.BackdropWnd, WM_NULL, 0, 0);
}

void PressButton(HWND sheet, int button) {
  PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
}

bool MoveTo(HWND sheet, int button, LPARAM pageId, DWORD timeout) {
  PressButton(sheet, button);
  return WaitForPage(sheet, pageId, timeout);
}

bool AcceptLicence(HWND sheet) {
  if (!WaitForPage(sheet, PageWelcome)) return false;
  PressButton(sheet, PSBTN_NEXT);
  HWND licence = WaitForDialog(DialogKind::Licence);
  if (licence == nullptr) return false;
  ClickControl(licence, IDOK);
  return WaitForPage(sheet, PageUserInfo);
}

int PageCount(HWND sheet) {
  HWND tabs = reinterpret_cast<HWND>(Send(sheet, PSM_GETTABCONTROL, 0, 0));
  return static_cast<int>(Send(tabs, TCM_GETITEMCOUNT, 0, 0));
}

void ClickControl(HWND dialog, int control) {
  PostMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0);
}

std::string ControlText(HWND dialog, int control) {
  char text[1024] = "";
  Send(GetDlgItem(dialog, control), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void SetControlText(HWND dialog, int control, const char* text) {
  Send(GetDlgItem(dialog, control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

bool IsControlChecked(HWND dialog, int control) {
  return Send(GetDlgItem(dialog, control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsControlEnabled(HWND dialog, int control) {
  return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE;
}

void PressKey(HWND window, WPARAM key) {
  UINT scan = MapVirtualKeyA(static_cast<UINT>(key), 0);
  PostMessageA(window, WM_KEYDOWN, key, 1 | (scan << 16));
  PostMessageA(window, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
}

void ClickScreenThenPress(POINT point, WORD key) {
  INPUT inputs[4] = {};
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  for (int i = 0; i < 2; ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dx = MulDiv(point.x, 65535, width - 1);
    inputs[i].mi.dy = MulDiv(point.y, 65535, height - 1);
    inputs[i].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE |
                           (i == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  }
  for (int i = 2; i < 4; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = key;
    inputs[i].ki.dwFlags = i == 3 ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(2, inputs, sizeof(INPUT));
  Sleep(300);
  SendInput(2, inputs + 2, sizeof(INPUT));
}

ButtonSet ReadButtons(HWND sheet) {
  HWND next = GetDlgItem(sheet, kNextButton);
  HWND finish = GetDlgItem(sheet, kFinishButton);
  return ButtonSet{IsControlEnabled(sheet, kBackButton), IsWindowVisible(next) != FALSE,
                   IsWindowVisible(next) && IsWindowEnabled(next),
                   finish != nullptr && IsWindowVisible(finish) && IsWindowEnabled(finish),
                   IsControlEnabled(sheet, IDCANCEL)};
}

HWND FindDialog(DialogKind kind) {
  DialogSearch search = {kind, nullptr};
  EnumThreadWindows(gWizardThread, CheckTopWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForDialog(DialogKind kind, DWORD timeout) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindDialog(kind)) != nullptr; }, timeout);
  return found;
}

std::string DialogTexts(HWND dialog) {
  std::string texts;
  EnumChildWindows(dialog, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

HWND FocusedWindow() {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(gWizardThread, &info) ? info.hwndFocus : nullptr;
}

std::string ResourceText(int id) {
  char text[256] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

std::string ReadSetting(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  char value[1024] = "";
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
      ERROR_SUCCESS)
    value[0] = '\0';
  RegCloseKey(key);
  return value;
}

bool FileExists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}
