#include "payload/uninstall/remove_product_win.h"

#include <windows.h>

#include "common/handles_win.h"
#include "common/registry_win.h"
#include "common/system_library_win.h"
#include "common/texts.h"
#include "payload/common/command_line.h"
#include "payload/common/payload_names.h"
#include "payload/uninstall/close_programs_win.h"
#include "payload_members.h"

namespace {

constexpr DWORD kReleaseMilliseconds = 5000;
constexpr DWORD kRetryMilliseconds = 100;
constexpr int kProgramMemberCount = sizeof kProgramMembers / sizeof kProgramMembers[0];
constexpr int kImagePackMemberCount = sizeof kImagePackMembers / sizeof kImagePackMembers[0];

// The entries setup puts into one folder; anything else there is the user's.
struct KnownNames {
  const char* const* files;
  int fileCount;
  const char* folder;  // a subfolder of the product, or null
};

// Named constants rather than temporaries, which the compiler would keep as
// writable data: a section of their own in the file.
constexpr KnownNames kImagePackNames = {kImagePackMembers, kImagePackMemberCount, nullptr};
constexpr KnownNames kAppDirNames = {kProgramMembers, kProgramMemberCount, kThemesDirectory};

void NoteFailure(RemovalReport* report, const char* item) {
  if (report->failures++ == 0) CopyText(report->firstFailure, kPathSize, item);
}

void NoteUserItem(RemovalReport* report, const char* item) {
  if (report->userItems < kNamedUserItems)
    CopyText(report->userItemNames[report->userItems], kPathSize, item);
  ++report->userItems;
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool IsKnown(const char* name, const KnownNames& known) {
  for (int i = 0; i < known.fileCount; ++i) {
    if (lstrcmpiA(name, known.files[i]) == 0) return true;
  }
  return known.folder != nullptr && lstrcmpiA(name, known.folder) == 0;
}

// A folder setup made, not a link (junction) to somewhere else: only such a
// folder is entered.
bool IsRealFolder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Deletes one file of the product; a missing one counts as removed. A file
// still in use gets a few seconds: a program that has just ended may hold its
// file a moment longer, and a companion setup has only just started shows the
// window through which it is asked to close only once it is running. After
// that the file stays and is named, so that the user closes the program that
// holds it: a deletion at restart could take the file of a later installation.
bool DeleteReleasedFile(const char* path) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);  // a read-only file cannot be deleted
  for (DWORD waited = 0;; waited += kRetryMilliseconds) {
    if (DeleteFileA(path) || IsMissing(GetLastError())) return true;
    if (waited >= kReleaseMilliseconds) return false;
    Sleep(kRetryMilliseconds);
    CloseProductPrograms();
  }
}

void RemoveFile(const char* path, RemovalReport* report) {
  if (!DeleteReleasedFile(path)) NoteFailure(report, path);
}

void RemoveFileIn(const char* folder, const char* name, RemovalReport* report) {
  char path[kPathSize];
  if (BuildPath(path, folder, name)) RemoveFile(path, report);
}

// Names everything in a folder of the product but `known` as the user's, and
// returns how many entries it holds in all.
int NoteUserItemsIn(const char* folder, const KnownNames& known, RemovalReport* report) {
  char pattern[kPathSize];
  WIN32_FIND_DATAA entry;
  HANDLE found =
      BuildPath(pattern, folder, "*") ? FindFirstFileA(pattern, &entry) : INVALID_HANDLE_VALUE;
  if (found == INVALID_HANDLE_VALUE) return 0;
  int entries = 0;
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    ++entries;
    char path[kPathSize];
    if (!IsKnown(entry.cFileName, known) && BuildPath(path, folder, entry.cFileName))
      NoteUserItem(report, path);
  } while (FindNextFileA(found, &entry));
  FindClose(found);
  return entries;
}

// Removes a folder setup made once it is empty. What keeps it there is the
// user's, or an item of the product already named; an empty folder that
// cannot go (another program's current folder) is left and named.
void RemoveProductFolder(const char* folder, const KnownNames& known, RemovalReport* report) {
  if (RemoveDirectoryA(folder) || IsMissing(GetLastError())) return;
  if (NoteUserItemsIn(folder, known, report) == 0) NoteFailure(report, folder);
}

// Whether a folder of the product is there to be emptied; anything else of its
// name is the user's and is named.
bool IsProductFolderThere(const char* folder, RemovalReport* report) {
  DWORD attributes = GetFileAttributesA(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (IsRealFolder(attributes)) return true;
  NoteUserItem(report, folder);
  return false;
}

void RemovePackFolder(const char* pack, RemovalReport* report) {
  if (!IsProductFolderThere(pack, report)) return;
  for (const char* name : kImagePackMembers) RemoveFileIn(pack, name, report);
  RemoveProductFolder(pack, kImagePackNames, report);
}

// The image pack's files by name, then its folder and "Themes" when empty.
void RemoveImagePack(const char* appDir, RemovalReport* report) {
  char themes[kPathSize];
  if (!BuildPath(themes, appDir, kThemesDirectory) || !IsProductFolderThere(themes, report)) return;
  char pack[kPathSize];
  if (BuildPath(pack, themes, kImagePackTitle)) RemovePackFolder(pack, report);
  RemoveProductFolder(themes, {nullptr, 0, kImagePackTitle}, report);
}

// The program files but the uninstaller, which is still running.
void RemoveProgramFiles(const char* appDir, RemovalReport* report) {
  for (const char* name : kProgramMembers) {
    if (lstrcmpiA(name, kUninstallerFile) != 0) RemoveFileIn(appDir, name, report);
  }
}

bool ReadFileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  ScopedHandle file(
      CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  return file.valid() && GetFileInformationByHandle(file.get(), info);
}

// Whether two paths name one file, however each is spelt.
bool IsSameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  return ReadFileIdentity(a, &first) && ReadFileIdentity(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

// The machine's uninstall entry belongs to this installation when it names
// this folder's uninstaller, or names none that still exists. Another
// installation it names keeps the parts all installations share.
bool IsRegisteredInstallation(const char* appDir) {
  ScopedKey key;
  char command[kPathSize + 32];
  char registered[kPathSize];
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS ||
      !ReadRegistryText(key.get(), kValueUninstallString, command, sizeof command) ||
      NextWord(command, registered, sizeof registered) == nullptr ||
      GetFileAttributesA(registered) == INVALID_FILE_ATTRIBUTES)
    return true;
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
  RemoveProgramFiles(appDir, report);
  RemoveImagePack(appDir, report);
  NoteUserItemsIn(appDir, kAppDirNames, report);
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
