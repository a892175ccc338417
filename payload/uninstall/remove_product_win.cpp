#include "payload/uninstall/remove_product_win.h"

#include <windows.h>

#include "common/handles_win.h"
#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "payload/common/settings_win.h"

namespace {

constexpr DWORD kCompanionCloseMilliseconds = 10000;
constexpr int kCompanionCloseAttempts = 2;

void NoteFailure(RemovalReport* report, const char* item) {
  if (report->failures++ == 0) CopyText(report->firstFailure, kPathSize, item);
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Deletes a file now or, when it is in use (this very program in the
// application directory), when Windows restarts.
void RemoveFile(const char* path, RemovalReport* report) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);  // a read-only file cannot be deleted
  if (DeleteFileA(path) || IsMissing(GetLastError())) return;
  if (MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    report->restartNeeded = true;
    return;
  }
  NoteFailure(report, path);
}

void RemoveFileIn(const char* folder, const char* name, RemovalReport* report) {
  char path[kPathSize];
  CopyText(path, kPathSize, folder);
  if (AppendPath(path, name)) RemoveFile(path, report);
}

// Removes an empty folder. One that still holds the user's own files stays
// without complaint; one that holds files deleted at restart goes with them.
void RemoveFolder(const char* path, RemovalReport* report) {
  if (RemoveDirectoryA(path)) return;
  DWORD error = GetLastError();
  if (IsMissing(error)) return;
  if (error == ERROR_DIR_NOT_EMPTY) {
    if (report->restartNeeded) MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return;
  }
  NoteFailure(report, path);
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Removes a folder with everything in it. A linked folder (a junction) is
// removed as a link; what it points to is left alone.
void RemoveTree(const char* folder, RemovalReport* report) {
  char pattern[kPathSize];
  CopyText(pattern, kPathSize, folder);
  WIN32_FIND_DATAA entry;
  HANDLE found = AppendPath(pattern, "*") ? FindFirstFileA(pattern, &entry) : INVALID_HANDLE_VALUE;
  if (found != INVALID_HANDLE_VALUE) {
    do {
      char path[kPathSize];
      CopyText(path, kPathSize, folder);
      if (IsDotEntry(entry.cFileName) || !AppendPath(path, entry.cFileName)) continue;
      DWORD attributes = entry.dwFileAttributes;
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        RemoveFile(path, report);
      } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveFolder(path, report);
      } else {
        RemoveTree(path, report);
      }
    } while (FindNextFileA(found, &entry));
    FindClose(found);
  }
  RemoveFolder(folder, report);
}

const char* FileNameOf(const char* path) {
  const char* name = path;
  for (const char* c = path; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/' || *c == ':') name = c + 1;
  }
  return name;
}

// The installed saver: the settings' "Executable", trusted for a deletion
// only under the saver's own file name; otherwise the system directory's.
void FindSaver(char* saver) {
  char named[kPathSize];
  if (ReadSettingText(kValueExecutable, named, kPathSize) &&
      lstrcmpiA(FileNameOf(named), kSaverFile) == 0) {
    CopyText(saver, kPathSize, named);
    return;
  }
  UINT length = GetSystemDirectoryA(saver, kPathSize);
  if (length == 0 || length >= kPathSize || !AppendPath(saver, kSaverFile)) saver[0] = '\0';
}

// Asks a running companion to close and waits for its process to end, so that
// its program file can be deleted.
void CloseCompanion() {
  for (int attempt = 0; attempt < kCompanionCloseAttempts; ++attempt) {
    HWND window = FindWindowA(kCompanionClass, nullptr);
    if (window == nullptr) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCompanionCloseMilliseconds,
                        &ignored);
    if (process.valid()) WaitForSingleObject(process.get(), kCompanionCloseMilliseconds);
  }
}

// Takes the saver out of system.ini, but only when it is the current one, and
// then switches the screen saver off as choosing "None" would.
void RemoveCurrentSaverEntry(const char* saver) {
  char current[kPathSize] = "";
  GetPrivateProfileStringA(kBootSection, kSaverKey, "", current, kPathSize, kSystemIni);
  char shortSaver[kPathSize] = "";
  DWORD length = GetShortPathNameA(saver, shortSaver, kPathSize);
  if (length == 0 || length >= kPathSize) shortSaver[0] = '\0';
  if (current[0] == '\0' || (lstrcmpiA(current, saver) != 0 && lstrcmpiA(current, shortSaver) != 0))
    return;
  WritePrivateProfileStringA(kBootSection, kSaverKey, nullptr, kSystemIni);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, kSystemIni);  // flush the cached copy
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_SENDWININICHANGE);
}

// The program files, the image packs under "Themes" and, when nothing of the
// user's is left in it, the application directory itself.
void RemoveProgramFiles(RemovalReport* report) {
  char appDir[kPathSize];
  if (!ReadSettingText(kValueAppDir, appDir, kPathSize) || appDir[0] == '\0') return;
  const char* const programFiles[] = {kCompanionFile, kUninstallerFile, kTipFile};
  for (const char* name : programFiles) RemoveFileIn(appDir, name, report);
  char themes[kPathSize];
  CopyText(themes, kPathSize, appDir);
  if (AppendPath(themes, kThemesDirectory)) RemoveTree(themes, report);
  RemoveFolder(appDir, report);
}

void RemoveShortcuts(RemovalReport* report) {
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
    return;
  char folder[kPathSize];
  if (ReadKeyText(key.get(), kValueStartMenu, folder, kPathSize) &&
      AppendPath(folder, kProgramsDirectory) && AppendPath(folder, kMakerDirectory)) {
    RemoveFileIn(folder, kUninstallLink, report);
    RemoveFileIn(folder, kSaverLink, report);
    RemoveFolder(folder, report);
  }
  if (ReadKeyText(key.get(), kValueStartup, folder, kPathSize)) {
    RemoveFileIn(folder, kCompanionLink, report);
  }
}

void RemoveKey(HKEY root, const char* path, RemovalReport* report) {
  LONG result = RegDeleteKeyA(root, path);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) NoteFailure(report, path);
}

// The maker's key goes too once nothing else is left in it.
void RemoveEmptyMakerKey() {
  DWORD subkeys = 1;
  DWORD values = 1;
  {
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMakerKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
      return;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return;
  }
  if (subkeys == 0 && values == 0) RegDeleteKeyA(HKEY_CURRENT_USER, kMakerKey);
}

}  // namespace

void RemoveProduct(RemovalReport* report) {
  *report = {};
  char saver[kPathSize];
  FindSaver(saver);
  CloseCompanion();
  // The short form of the saver's path is only known while the file exists.
  RemoveCurrentSaverEntry(saver);
  if (saver[0] != '\0') RemoveFile(saver, report);
  RemoveProgramFiles(report);
  RemoveShortcuts(report);
  RemoveKey(HKEY_CURRENT_USER, kSettingsKey, report);
  RemoveEmptyMakerKey();
  RemoveKey(HKEY_LOCAL_MACHINE, kUninstallKey, report);
}
