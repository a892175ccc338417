#include "payload/saver/saver_settings_win.h"

#include "payload/common/payload_names.h"
#include "payload/common/settings_win.h"
#include "payload/saver/saver_ids.h"

namespace {

constexpr DWORD kSlowest = 1;
constexpr DWORD kFastest = 3;
constexpr DWORD kDefaultSpeed = 2;

void FillControls(HWND dialog) {
  SaverSettings settings = LoadSaverSettings();
  CheckRadioButton(dialog, IDC_SPEED_SLOW, IDC_SPEED_FAST,
                   IDC_SPEED_SLOW + static_cast<int>(settings.speed - kSlowest));
  CheckDlgButton(dialog, IDC_SHOW_PICTURES, settings.pictures ? BST_CHECKED : BST_UNCHECKED);
}

void StoreControls(HWND dialog) {
  DWORD speed = kDefaultSpeed;
  for (int button = IDC_SPEED_SLOW; button <= IDC_SPEED_FAST; ++button) {
    if (IsDlgButtonChecked(dialog, button) == BST_CHECKED)
      speed = kSlowest + (button - IDC_SPEED_SLOW);
  }
  WriteSettingNumber(kValueStarSpeed, speed);
  WriteSettingNumber(kValueShowPictures,
                     IsDlgButtonChecked(dialog, IDC_SHOW_PICTURES) == BST_CHECKED);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      FillControls(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) StoreControls(dialog);
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

SaverSettings LoadSaverSettings() {
  SaverSettings settings = {ReadSettingNumber(kValueStarSpeed, kDefaultSpeed),
                            ReadSettingNumber(kValueShowPictures, 1) != 0};
  if (settings.speed < kSlowest || settings.speed > kFastest) settings.speed = kDefaultSpeed;
  return settings;
}

void ShowSaverSettings(HINSTANCE instance, HWND parent) {
  // The dialog's own class (named in its template) lets the uninstaller find it.
  WNDCLASSA dialogClass = {};
  dialogClass.lpfnWndProc = DefDlgProcA;
  dialogClass.cbWndExtra = DLGWINDOWEXTRA;
  dialogClass.hInstance = instance;
  dialogClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SAVER));
  dialogClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  dialogClass.lpszClassName = kSaverSettingsClass;
  if (!RegisterClassA(&dialogClass)) return;
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SAVER_SETTINGS), parent, SettingsDialogProc, 0);
}
