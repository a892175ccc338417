#include "wizard/folder_browser_win.h"

#include <shlobj.h>

#include "common/handles_win.h"
#include "common/path.h"
#include "common/text_chars.h"
#include "common/texts.h"
#include "resource_ids.h"
#include "shell/setup_state_win.h"
#include "wizard/backdrop_guard_win.h"
#include "wizard/centring_win.h"

namespace {

// "X:\" and nothing more: three characters, the first of one byte.
bool IsDriveRoot(const char* path) {
  return path[0] != '\0' && !IsLeadByte(path[0]) && path[1] == ':' && path[2] == '\\' &&
         path[3] == '\0';
}

bool IsWritableDriveType(UINT type) {
  return type == DRIVE_REMOVABLE || type == DRIVE_FIXED || type == DRIVE_REMOTE ||
         type == DRIVE_RAMDISK;
}

// The file-system path of an item list; empty for a virtual folder.
void GetItemPath(LPCITEMIDLIST item, char* path) {
  if (!SHGetPathFromIDListA(item, path)) path[0] = '\0';
}

void FreeItemList(LPITEMIDLIST list) {
  ComPointer<IMalloc> allocator;
  if (SHGetMalloc(reinterpret_cast<IMalloc**>(allocator.out())) == S_OK &&
      allocator.get() != nullptr)
    allocator->Free(list);
}

// Takes the chosen folder only when it has a path and the application
// directory built from it fits; otherwise nothing changes but a beep.
bool TakeChosenFolder(HWND page, LPCITEMIDLIST chosen) {
  char folder[kPathSize];
  char appDir[kPathSize];
  GetItemPath(chosen, folder);
  if (folder[0] == '\0' || !BuildPath(appDir, folder, kMakerDirectory)) {
    MessageBeep(0);
    return false;
  }
  CopyText(gState.BrowseFolder, kPathSize, folder);
  CopyText(gState.AppDir, kPathSize, appDir);
  SetDlgItemTextA(page, IDC_APPDIR_EDIT, gState.AppDir);
  return true;
}

}  // namespace

bool CanTakeInstallation(const char* path, DriveTypeQuery driveType) {
  if (path[0] == '\0') return false;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search != INVALID_HANDLE_VALUE) {
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
  }
  // A drive root has no directory entry of its own; its drive type decides.
  return IsDriveRoot(path) && IsWritableDriveType(driveType(path));
}

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    CenterWindowOver(browser, GetDesktopWindow());
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
  } else if (message == BFFM_SELCHANGED && lParam != 0) {
    char path[kPathSize];
    GetItemPath(reinterpret_cast<LPCITEMIDLIST>(lParam), path);
    SendMessageA(browser, BFFM_ENABLEOK, 0, CanTakeInstallation(path) ? TRUE : FALSE);
  }
  return 0;
}

bool BrowseForAppDir(HWND page) {
  // The browser writes the chosen item's display name here; it is not a path,
  // so it must not land in BrowseFolder.
  char displayName[MAX_PATH] = "";
  BROWSEINFOA browse = {};
  browse.hwndOwner = page;
  browse.pszDisplayName = displayName;
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = BrowseCallback;
  browse.lParam = reinterpret_cast<LPARAM>(gState.BrowseFolder);
  LPITEMIDLIST chosen = nullptr;
  {
    // The shell's browser wants COM on the calling thread.
    HRESULT com = CoInitialize(nullptr);
    BackdropGuard guard;
    chosen = SHBrowseForFolderA(&browse);
    if (SUCCEEDED(com)) CoUninitialize();
  }
  if (chosen == nullptr) return false;
  bool taken = TakeChosenFolder(page, chosen);
  FreeItemList(chosen);
  return taken;
}
