#include "wizard/wizard_pages_win.h"

#include "common/app_folder.h"
#include "common/handles_win.h"
#include "common/path.h"
#include "common/programs_win.h"
#include "common/system_library_win.h"
#include "common/text_chars.h"
#include "common/texts.h"
#include "install/install_room_win.h"
#include "install/install_worker_win.h"
#include "resource_ids.h"
#include "shell/messages_win.h"
#include "shell/setup_state_win.h"
#include "wizard/backdrop_guard_win.h"
#include "wizard/centring_win.h"
#include "wizard/folder_browser_win.h"
#include "wizard/licence_dialog_win.h"
#include "wizard/scaled_picture_win.h"
#include "wizard/wizard_sheet_win.h"

int SheetCentred = 0;
int WelcomeActivated = 0;
int LicenceAccepted = 0;

namespace {

// The sheet's own Next button.
constexpr int kSheetNextButton = 0x3024;
constexpr LPARAM kBackAndNext = PSWIZB_BACK | PSWIZB_NEXT;

void SetAnswer(HWND page, LONG_PTR answer) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, answer);
}

DWORD IsChecked(HWND page, int control) {
  return IsDlgButtonChecked(page, control) == BST_CHECKED ? 1 : 0;
}

void SetCheck(HWND page, int control, DWORD value) {
  CheckDlgButton(page, control, value != 0 ? BST_CHECKED : BST_UNCHECKED);
}

INT_PTR InitPage(HWND page, const PROPSHEETPAGEA_V1* record) {
  SetWindowLongPtrA(page, GWLP_USERDATA, record->lParam);
  HWND title = GetDlgItem(page, IDC_TITLE);
  // Without a title font the title keeps the dialog's font.
  if (title != nullptr && gState.TitleFont != nullptr)
    SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(gState.TitleFont), TRUE);
  return TRUE;
}

// The welcome page takes the foreground and puts the focus on Next once.
INT_PTR TakeForeground(HWND page) {
  if (WelcomeActivated) return TRUE;
  WelcomeActivated = 1;
  HWND sheet = GetParent(page);
  SetForegroundWindow(sheet);
  HWND next = GetDlgItem(sheet, kSheetNextButton);
  if (next != nullptr) SetFocus(next);
  return TRUE;
}

// Reads an edit's text into a buffer of `size` bytes. The system cuts a text
// that does not fit, also in the middle of a character; that half goes.
void StorePageText(HWND page, int control, char* text, int size) {
  GetDlgItemTextA(page, control, text, size);
  DropPartialChar(text);
}

void StoreUserInfo(HWND page) {
  StorePageText(page, IDC_USER_NAME, gState.RegisteredOwner, kUserTextSize);
  StorePageText(page, IDC_USER_ORGANIZATION, gState.RegisteredOrganization, kUserTextSize);
  StorePageText(page, IDC_USER_EMAIL, gState.RegisteredEMail, kUserTextSize);
  if (FindChar(gState.RegisteredEMail, '@') == nullptr)
    ShowPageError(page, IDS_EMAIL_WARNING, IDC_USER_EMAIL);
}

void StoreConfiguration(HWND page) {
  gState.MakeCurrent = IsChecked(page, IDC_CONFIG_MAKE_CURRENT);
  gState.ConfigureSaver = IsChecked(page, IDC_CONFIG_CONFIGURE);
}

// The refusal each fault of a folder gets.
int FolderFaultText(AppFolderFault fault) {
  switch (fault) {
    case kAppFolderNotFullPath:
      return IDS_FOLDER_NOT_FULL_PATH;
    case kAppFolderRoot:
      return IDS_FOLDER_ROOT;
    case kAppFolderBadCharacter:
      return IDS_FOLDER_BAD_CHARACTER;
    case kAppFolderBadName:
      return IDS_FOLDER_BAD_NAME;
    case kAppFolderDeviceName:
      return IDS_FOLDER_DEVICE_NAME;
    default:
      return IDS_FOLDER_TOO_LONG;
  }
}

// Refuses a folder the installation could not work in, before anything is
// written; the files' names come from the archives. Returns whether it fits.
bool CheckPageFolder(HWND page) {
  std::size_t deepest = MeasureDeepestPath();
  AppFolderFault fault = CheckAppFolder(gState.AppDir, deepest);
  if (fault == kAppFolderFits) return true;
  // The longest folder that works: the path limit less the separator and the
  // deepest file.
  int longest = deepest + 1 < kPathSize ? static_cast<int>(kPathSize - 2 - deepest) : 0;
  ShowPageError(page, FolderFaultText(fault), IDC_APPDIR_EDIT, longest);
  return false;
}

// PSN_WIZNEXT: the folder page stays until its folder can work.
INT_PTR LeaveForNext(HWND page, LPARAM pageId) {
  SetAnswer(page, 0);
  if (pageId != PageAppDirectory) return TRUE;
  GetDlgItemTextA(page, IDC_APPDIR_EDIT, gState.AppDir, kPathSize);
  if (!CheckPageFolder(page)) SetAnswer(page, -1);
  return TRUE;
}

// PSN_KILLACTIVE: the page stores what the user entered; only a bad e-mail
// address keeps it.
INT_PTR LeavePage(HWND page, LPARAM pageId) {
  SetAnswer(page, FALSE);
  if (pageId == PageAppDirectory) StorePageText(page, IDC_APPDIR_EDIT, gState.AppDir, kPathSize);
  if (pageId == PageConfiguration) StoreConfiguration(page);
  if (pageId == PageUserInfo) StoreUserInfo(page);
  return TRUE;
}

// The licence comes first, once; refusing it cancels the hidden sheet.
LPARAM ActivateUserInfo(HWND page, HWND sheet) {
  if (!LicenceAccepted) {
    ShowWindow(sheet, SW_HIDE);
    if (RunLicenceDialog() != IDOK) {
      PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      return kBackAndNext;
    }
    LicenceAccepted = 1;
    ShowWindow(sheet, SW_SHOW);
  }
  SetDlgItemTextA(page, IDC_USER_NAME, gState.RegisteredOwner);
  SetDlgItemTextA(page, IDC_USER_ORGANIZATION, gState.RegisteredOrganization);
  SetDlgItemTextA(page, IDC_USER_EMAIL, gState.RegisteredEMail);
  return kBackAndNext;
}

// The last page installs while the sheet is hidden, then offers only Finish.
LPARAM ActivateComplete(HWND page, HWND sheet) {
  ShowWindow(sheet, SW_HIDE);
  int succeeded = InstallWorker(page);
  gState.InstallSucceeded = succeeded ? 1 : 0;
  char result[128] = "";
  LoadStringA(gState.Instance, succeeded ? IDS_INSTALL_SUCCEEDED : IDS_INSTALL_FAILED, result,
              sizeof result);
  SetDlgItemTextA(page, IDC_COMPLETE_RESULT, result);
  if (gEarlierFolderKept[0] != '\0') {
    char note[kPathSize + 100];
    FormatText(note, sizeof note, kEarlierFolderKeptFormat, gEarlierFolderKept);
    SetDlgItemTextA(page, IDC_COMPLETE_NOTE, note);
  }
  PostMessageA(sheet, PSM_CANCELTOCLOSE, 0, 0);
  SetPageBitmap(page, IDC_COMPLETE_PICTURE, IDB_COMPLETE_PICTURE);
  // Nothing is started after a failure: the option is not offered.
  if (!succeeded) gState.LaunchAfterSetup = 0;
  SetCheck(page, IDC_COMPLETE_LAUNCH, gState.LaunchAfterSetup);
  EnableWindow(GetDlgItem(page, IDC_COMPLETE_LAUNCH), succeeded ? TRUE : FALSE);
  ShowWindow(sheet, SW_SHOW);
  return PSWIZB_FINISH;
}

// Fills the page from SetupState and returns the buttons it offers.
LPARAM FillPage(HWND page, HWND sheet, LPARAM pageId) {
  switch (pageId) {
    case PageWelcome:
      PostMessageA(page, WM_SHOWWIZARD, 0, 0);
      return PSWIZB_NEXT;
    case PageUserInfo:
      return ActivateUserInfo(page, sheet);
    case PageAppDirectory:
      SetDlgItemTextA(page, IDC_APPDIR_EDIT, gState.AppDir);
      return kBackAndNext;
    case PageConfiguration:
      SetCheck(page, IDC_CONFIG_MAKE_CURRENT, gState.MakeCurrent);
      SetCheck(page, IDC_CONFIG_CONFIGURE, gState.ConfigureSaver);
      return kBackAndNext;
    case PageComplete:
      return ActivateComplete(page, sheet);
  }
  return kBackAndNext;
}

// PSN_SETACTIVE: shows the sheet, fills the page and accepts the activation.
INT_PTR ActivatePage(HWND page, HWND sheet, LPARAM pageId) {
  ShowWindow(sheet, SW_SHOWNORMAL);
  LPARAM buttons = FillPage(page, sheet, pageId);
  SendMessageA(sheet, PSM_SETWIZBUTTONS, 0, buttons);
  SetPageBitmap(page, IDC_PAGE_PICTURE, IDB_PAGE_PICTURE);
  SetAnswer(page, 0);
  return TRUE;
}

INT_PTR HandlePageNotify(HWND page, const NMHDR* header) {
  LPARAM pageId = GetWindowLongPtrA(page, GWLP_USERDATA);
  HWND sheet = GetParent(page);
  // The first notification of all, the welcome page's activation, comes before
  // the sheet is first shown: centre it over the backdrop that owns it.
  if (!SheetCentred) {
    SheetCentred = 1;
    CenterWindowOver(sheet, GetWindow(sheet, GW_OWNER));
  }
  switch (header->code) {
    case PSN_KILLACTIVE:
      return LeavePage(page, pageId);
    case PSN_SETACTIVE:
      return ActivatePage(page, sheet, pageId);
    case PSN_WIZNEXT:
      return LeaveForNext(page, pageId);
  }
  return 0;
}

// Starts the display control panel from the system directory, never from the
// folder setup was started in; setup ends when it starts.
void OpenDisplaySettings() {
  char program[kPathSize];
  if (BuildSystemPath(program, kDisplayControlProgram) &&
      StartProgram(program, kDisplayControlCommand, 0, nullptr, nullptr)) {
    PostQuitMessage(0);
    return;
  }
  MessageBeep(0);
}

void HandlePageCommand(HWND page, int control) {
  switch (control) {
    case IDC_APPDIR_BROWSE:
      if (BrowseForAppDir(page)) CheckPageFolder(page);
      break;
    case IDC_COMPLETE_LAUNCH:
      gState.LaunchAfterSetup = IsChecked(page, IDC_COMPLETE_LAUNCH);
      break;
    case IDC_DISPLAY_CHANGE:
      OpenDisplaySettings();
      break;
  }
}

}  // namespace

INT_PTR CALLBACK WizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return InitPage(page, reinterpret_cast<const PROPSHEETPAGEA_V1*>(lParam));
    case WM_NOTIFY:
      return HandlePageNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      HandlePageCommand(page, LOWORD(wParam));
      return 0;
    case WM_SHOWWIZARD:
      return TakeForeground(page);
  }
  return 0;
}

void SetPageBitmap(HWND page, int control, int bitmap) {
  HWND picture = GetDlgItem(page, control);
  if (picture == nullptr) return;
  HBITMAP image = LoadScaledBitmap(gState.Instance, bitmap, bitmap + IDR_DOUBLED_PICTURE_OFFSET);
  if (image == nullptr) return;
  // The image the control showed before is deleted; the last one set stays
  // for as long as the process.
  ScopedGdiObject previous(reinterpret_cast<HGDIOBJ>(
      SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image))));
  FitControlToBitmap(picture, image);
}

void ShowPageError(HWND page, int string, int control, int number) {
  char format[256] = "";
  LoadStringA(gState.Instance, string, format, sizeof format);
  char text[256];
  FormatText(text, sizeof text, format, number);
  SetForegroundWindow(page);
  BringWindowToTop(page);
  {
    BackdropGuard guard;
    MessageBoxA(page, text, kSetupCaption, MB_ICONERROR);
  }
  SetFocus(GetDlgItem(page, control));
  SetAnswer(page, TRUE);
}
