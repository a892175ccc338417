// The companion program: a hidden window with a notification-area icon that
// starts My Zindle on a double-click or on the user's hot key, and ends when
// its window is closed (setup closes it before it replaces the files).
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "common/handles_win.h"
#include "common/path.h"
#include "common/programs_win.h"
#include "common/system_library_win.h"
#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "payload/common/settings_win.h"
#include "payload/zindle/zindle_ids.h"

namespace {

constexpr int kHotKeyId = 1;
constexpr UINT kTrayIconId = 1;
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr int kTrayTipSize = 64;  // the tip of the oldest notification record

HINSTANCE gInstance;
UINT gTaskbarCreated;  // sent when the shell (re)starts and the icon must be added again

struct HotKey {
  UINT modifiers;  // MOD_ flags
  UINT key;        // virtual key
};

// A hot-key value keeps the virtual key in its low byte and one hex digit per
// modifier in its high word: 0x0001 Shift, 0x0010 Control, 0x0100 Alt, 0x1000
// the Windows key. A key without Control, Alt or the Windows key is refused,
// since it would be taken away from every program the user types into.
bool DecodeHotKey(DWORD value, HotKey* hotKey) {
  WORD flags = HIWORD(value);
  hotKey->key = LOBYTE(LOWORD(value));
  hotKey->modifiers = ((flags & 0x0001) ? MOD_SHIFT : 0) | ((flags & 0x0010) ? MOD_CONTROL : 0) |
                      ((flags & 0x0100) ? MOD_ALT : 0) | ((flags & 0x1000) ? MOD_WIN : 0);
  return hotKey->key != 0 && (hotKey->modifiers & (MOD_CONTROL | MOD_ALT | MOD_WIN)) != 0;
}

void RegisterToolHotKey(HWND window) {
  HotKey hotKey;
  if (DecodeHotKey(ReadSettingNumber(kValueToolHotkey, kDefaultToolHotkey), &hotKey)) {
    RegisterHotKey(window, kHotKeyId, hotKey.modifiers, hotKey.key);
  }
}

// Starts the installed screen saver (the settings' "Executable") with the
// switch of `commandFormat`; beeps when there is none to start.
void StartSaver(const char* commandFormat) {
  char saver[kPathSize];
  char command[kPathSize + 8];
  if (!ReadSettingText(kValueExecutable, saver, kPathSize) ||
      wsprintfA(command, commandFormat, saver) <= 0 ||
      !StartProgram(saver, command, 0, nullptr, nullptr))
    MessageBeep(0);
}

void ShowTrayIcon(HWND window, DWORD action) {
  NOTIFYICONDATAA icon = {};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;  // understood by every shell version
  icon.hWnd = window;
  icon.uID = kTrayIconId;
  icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  icon.uCallbackMessage = kTrayMessage;
  // The image of the system's small-icon size, which the notification area
  // shows; the shell would shrink the large one coarsely. Shared: the system
  // keeps it for the process.
  icon.hIcon = static_cast<HICON>(LoadImageA(gInstance, MAKEINTRESOURCEA(IDI_ZINDLE), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  LoadStringA(gInstance, IDS_TRAY_TIP, icon.szTip, kTrayTipSize);
  Shell_NotifyIconA(action, &icon);
}

void ShowTrayMenu(HWND window) {
  HMENU menus = LoadMenuA(gInstance, MAKEINTRESOURCEA(IDM_TRAY));
  if (menus == nullptr) return;
  POINT cursor;
  GetCursorPos(&cursor);
  SetForegroundWindow(window);  // so that a click elsewhere closes the menu
  TrackPopupMenu(GetSubMenu(menus, 0), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
  PostMessageA(window, WM_NULL, 0, 0);
  DestroyMenu(menus);
}

void OnCommand(HWND window, WORD command) {
  switch (command) {
    case IDM_START_SAVER:
      StartSaver(kRunSaverFormat);
      break;
    case IDM_SAVER_SETTINGS:
      StartSaver(kConfigureSaverFormat);
      break;
    case IDM_EXIT:
      DestroyWindow(window);
      break;
  }
}

LRESULT CALLBACK CompanionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      RegisterToolHotKey(window);
      ShowTrayIcon(window, NIM_ADD);
      return 0;
    case WM_HOTKEY:
      if (wParam == kHotKeyId) StartSaver(kRunSaverFormat);
      return 0;
    case kTrayMessage:
      if (lParam == WM_LBUTTONDBLCLK) StartSaver(kRunSaverFormat);
      if (lParam == WM_RBUTTONUP) ShowTrayMenu(window);
      return 0;
    case WM_COMMAND:
      OnCommand(window, LOWORD(wParam));
      return 0;
    case WM_DESTROY:
      UnregisterHotKey(window, kHotKeyId);
      ShowTrayIcon(window, NIM_DELETE);
      PostQuitMessage(0);
      return 0;
  }
  if (message == gTaskbarCreated && gTaskbarCreated != 0) {
    ShowTrayIcon(window, NIM_ADD);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HardenDllSearch();
  // Held until the process ends. A window search would miss a copy started a
  // moment earlier that has not made its window yet.
  SetLastError(ERROR_SUCCESS);
  ScopedHandle running(CreateMutexA(nullptr, FALSE, kCompanionMutex));
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;  // already running
  gInstance = instance;
  gTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CompanionWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ZINDLE));
  windowClass.lpszClassName = kCompanionClass;
  if (!RegisterClassA(&windowClass)) return 1;
  char title[64] = "";
  LoadStringA(instance, IDS_WINDOW_TITLE, title, sizeof title);
  // A top-level window (not a message-only one), so that FindWindow finds it.
  if (CreateWindowExA(WS_EX_TOOLWINDOW, kCompanionClass, title, WS_POPUP, 0, 0, 0, 0, nullptr,
                      nullptr, instance, nullptr) == nullptr)
    return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
