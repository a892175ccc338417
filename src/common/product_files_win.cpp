#include "common/product_files_win.h"

#include <windows.h>

#include "common/close_programs_win.h"
#include "common/command_line.h"
#include "common/handles_win.h"
#include "common/registry_win.h"
#include "common/texts.h"

namespace {

constexpr DWORD kReleaseMilliseconds = 5000;
constexpr DWORD kRetryMilliseconds = 100;

// The entries setup puts into one folder; anything else there is the user's.
struct KnownNames {
  const char* const* files;
  int fileCount;
  const char* folder;  // a subfolder of the product, or null
};

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

void RemovePackFolder(const char* pack, const ProductNames& names, RemovalReport* report) {
  if (!IsProductFolderThere(pack, report)) return;
  for (int i = 0; i < names.packFileCount; ++i) RemoveFileIn(pack, names.packFiles[i], report);
  RemoveProductFolder(pack, {names.packFiles, names.packFileCount, nullptr}, report);
}

// The image pack's files by name, then its folder and "Themes" when empty.
void RemoveImagePack(const char* appDir, const ProductNames& names, RemovalReport* report) {
  char themes[kPathSize];
  if (!BuildPath(themes, appDir, kThemesDirectory) || !IsProductFolderThere(themes, report)) return;
  char pack[kPathSize];
  if (BuildPath(pack, themes, names.packTitle)) RemovePackFolder(pack, names, report);
  RemoveProductFolder(themes, {nullptr, 0, names.packTitle}, report);
}

// The program files, but the uninstaller when it is still running.
void RemoveProgramFiles(const char* appDir, const ProductNames& names, bool keepUninstaller,
                        RemovalReport* report) {
  for (int i = 0; i < names.programFileCount; ++i) {
    const char* name = names.programFiles[i];
    if (!keepUninstaller || lstrcmpiA(name, kUninstallerFile) != 0)
      RemoveFileIn(appDir, name, report);
  }
}

bool ReadFileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  ScopedHandle file(
      CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  return file.valid() && GetFileInformationByHandle(file.get(), info);
}

}  // namespace

void NoteFailure(RemovalReport* report, const char* item) {
  if (report->failures++ == 0) CopyText(report->firstFailure, kPathSize, item);
}

void RemoveFile(const char* path, RemovalReport* report) {
  if (!DeleteReleasedFile(path)) NoteFailure(report, path);
}

void RemoveFileIn(const char* folder, const char* name, RemovalReport* report) {
  char path[kPathSize];
  if (BuildPath(path, folder, name)) RemoveFile(path, report);
}

void RemoveProductFiles(const char* appDir, const ProductNames& names, bool keepUninstaller,
                        RemovalReport* report) {
  RemoveProgramFiles(appDir, names, keepUninstaller, report);
  RemoveImagePack(appDir, names, report);
  NoteUserItemsIn(appDir, {names.programFiles, names.programFileCount, kThemesDirectory}, report);
}

bool IsSameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  return ReadFileIdentity(a, &first) && ReadFileIdentity(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

bool FindRegisteredUninstaller(char* path) {
  ScopedKey key;
  char command[kPathSize + 32];
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, key.out()) ==
             ERROR_SUCCESS &&
         ReadRegistryText(key.get(), kValueUninstallString, command, sizeof command) &&
         NextWord(command, path, kPathSize) != nullptr &&
         GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}
