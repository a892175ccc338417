#include "payload/uninstall/remove_product_win.h"

#include <windows.h>

#include "common/close_programs_win.h"
#include "common/command_line.h"
#include "common/handles_win.h"
#include "common/registry_win.h"
#include "common/system_library_win.h"
#include "common/texts.h"
#include "payload/common/payload_names.h"
#include "payload_members.h"

namespace {

// What this build's setup writes, by the member names of its archives.
constexpr ProductNames kInstalledNames = {
    kProgramMembers, sizeof kProgramMembers / sizeof kProgramMembers[0], kImagePackTitle,
    kImagePackMembers, sizeof kImagePackMembers / sizeof kImagePackMembers[0]};

// The machine's uninstall entry belongs to this installation when it names
// this folder's uninstaller, or names none that still exists. Another
// installation it names keeps the parts all installations share.
bool IsRegisteredInstallation(const char* appDir) {
  char registered[kPathSize];
  if (!FindRegisteredUninstaller(registered)) return true;
  char own[kPathSize];
  return BuildPath(own, appDir, kUninstallerFile) && IsSameFile(own, registered);
}

bool IsCurrentSaver(const char* saver) {
  char current[kPathSize] = "";
  GetPrivateProfileStringA(kBootSection, kSaverKey, "", current, kPathSize, kSystemIni);
  char shortSaver[kPathSize] = "";
  DWORD length = GetShortPathNameA(saver, shortSaver, kPathSize);
  if (length == 0 || length >= kPathSize) shortSaver[0] = '\0';
  return current[0] != '\0' &&
         (lstrcmpiA(current, saver) == 0 || lstrcmpiA(current, shortSaver) == 0);
}

void WriteCurrentSaver(const char* value) {
  WritePrivateProfileStringA(kBootSection, kSaverKey, value, kSystemIni);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, kSystemIni);  // flush the cached copy
}

// Where our saver is the current one, the system's own blank saver takes its
// place, so that a lock when idle stays in force; without one the screen
// saver is switched off, as choosing "None" does. Another saver stays.
void ReplaceCurrentSaver(const char* saver) {
  if (!IsCurrentSaver(saver)) return;
  char blank[kPathSize];
  if (BuildSystemPath(blank, kBlankSaverFile) &&
      GetFileAttributesA(blank) != INVALID_FILE_ATTRIBUTES) {
    char shortBlank[kPathSize];
    DWORD length = GetShortPathNameA(blank, shortBlank, kPathSize);
    WriteCurrentSaver(length > 0 && length < kPathSize ? shortBlank : blank);
    return;
  }
  WriteCurrentSaver(nullptr);
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_SENDWININICHANGE);
}

void RemoveShortcuts(RemovalReport* report) {
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
    return;
  char folder[kPathSize];
  if (ReadRegistryText(key.get(), kValueStartMenu, folder, kPathSize) &&
      AppendPath(folder, kProgramsDirectory) && AppendPath(folder, kMakerDirectory)) {
    RemoveFileIn(folder, kUninstallLink, report);
    RemoveFileIn(folder, kSaverLink, report);
    RemoveDirectoryA(folder);  // stays while it holds anything else
  }
  if (ReadRegistryText(key.get(), kValueStartup, folder, kPathSize)) {
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

// The keys go last and only when nothing else of the product is left: the
// uninstall entry, above all, is how the user runs the uninstaller again.
void RemoveKeys(RemovalReport* report) {
  if (report->failures > 0) return;
  RemoveKey(HKEY_CURRENT_USER, kSettingsKey, report);
  RemoveEmptyMakerKey();
  if (report->failures == 0) RemoveKey(HKEY_LOCAL_MACHINE, kUninstallKey, report);
}

}  // namespace

UninstallExitCode ExitCodeOf(const RemovalReport& report) {
  if (report.failures > 0) return kUninstallIncomplete;
  return report.userItems > 0 ? kUninstallKeptUserItems : kUninstallRemoved;
}

void RemoveProduct(const char* appDir, bool uninstallerStays, RemovalReport* report) {
  bool registered = IsRegisteredInstallation(appDir);
  char saver[kPathSize];
  bool saverKnown = BuildSystemPath(saver, kSaverFile);
  // The short form of the saver's path is only known while the file exists.
  if (registered && saverKnown) ReplaceCurrentSaver(saver);
  CloseProductPrograms();
  char uninstaller[kPathSize];
  if (uninstallerStays && BuildPath(uninstaller, appDir, kUninstallerFile))
    NoteFailure(report, uninstaller);
  RemoveProductFiles(appDir, kInstalledNames, true, report);
  if (!registered) return;
  if (saverKnown) RemoveFile(saver, report);
  RemoveShortcuts(report);
  RemoveKeys(report);
}

void RemoveUninstaller(const char* appDir, RemovalReport* report) {
  char path[kPathSize];
  if (!BuildPath(path, appDir, kUninstallerFile)) return;
  RemoveFile(path, report);
  RemoveDirectoryA(appDir);  // stays while it holds the user's items
}
