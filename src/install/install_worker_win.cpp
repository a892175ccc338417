#include "install/install_worker_win.h"

#include "archive/resource_archive_win.h"
#include "common/close_programs_win.h"
#include "common/handles_win.h"
#include "common/path.h"
#include "common/product_files_win.h"
#include "common/programs_win.h"
#include "common/registry_win.h"
#include "common/report_error_win.h"
#include "common/system_library_win.h"
#include "common/text_chars.h"
#include "common/texts.h"
#include "install/install_room_win.h"
#include "install/progress_panel_win.h"
#include "install/shell_actions_win.h"
#include "install/version_number.h"
#include "resource_ids.h"
#include "shell/messages_win.h"
#include "shell/setup_state_win.h"

DWORD gVersionNumber = kUnknownVersionNumber;
char gEarlierFolderKept[kPathSize];

namespace {

// What one run of the installation carries from step to step.
struct InstallRun {
  HWND owner;
  HWND panel;
  const InstallWaits* waits;
  bool failed;
  // The screen saver's full path as its extraction wrote it.
  char saverFile[kPathSize];
  // The saver's version resource, when it has one.
  bool saverHasVersion;
  VS_FIXEDFILEINFO saverVersion;
  // What the three extractions wrote, for the list of installed programs.
  DWORD bytesWritten;
  // The uninstaller the entry named before this installation, if any.
  bool hadEarlier;
  char earlierUninstaller[kPathSize];
};

// Reports a fatal failure; the remaining installing steps are then skipped.
bool Fail(InstallRun& run, const char* format, const char* argument) {
  ReportError(run.owner, format, argument);
  run.failed = true;
  return false;
}

// Tick counts are compared by difference, so a wrap of the counter is harmless.
bool HasElapsed(DWORD start, DWORD duration) {
  return GetTickCount() - start >= duration;
}

void PumpMessagesFor(DWORD duration) {
  DWORD start = GetTickCount();
  do {
    PumpMessages();
  } while (!HasElapsed(start, duration));
}

void WaitForCompanionToGo(DWORD start, DWORD limit) {
  while (FindWindowA(kCompanionClass, nullptr) != nullptr) {
    PumpMessages();
    if (HasElapsed(start, limit)) return;
  }
}

// A running companion holds its files open; it is asked to close, and setup
// waits for it to go, then a while longer for the files to be released.
void CloseCompanion(const InstallRun& run) {
  HWND companion = FindWindowA(kCompanionClass, nullptr);
  if (companion == nullptr) return;
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepClosingCompanion);
  // A hung companion never handles a plain send; it is treated like one whose
  // window does not go away.
  if (AskToClose(companion, run.waits->companionClose))
    WaitForCompanionToGo(GetTickCount(), run.waits->companionClose);
  PumpMessagesFor(run.waits->companionSettle);
}

// Kilobytes, rounded up, for the message.
DWORD Kilobytes(ULONGLONG bytes) {
  return static_cast<DWORD>((bytes + 1023) / 1024);
}

// A volume without room is found before anything is written, so that the
// installation does not stop half-way.
bool CheckRoom(InstallRun& run) {
  RoomShortfall shortfall;
  if (HasRoomToInstall(gState.AppDir, &shortfall)) return true;
  ReportError(run.owner, kErrorNoRoom, shortfall.folder, Kilobytes(shortfall.needed),
              Kilobytes(shortfall.available));
  run.failed = true;
  return false;
}

bool CreateAppDirectories(InstallRun& run) {
  char path[kPathSize];
  bool fits = BuildPath(path, gState.AppDir, kThemesDirectory);
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepCreateDirectory, path);
  if (!fits || !MakeDirectoryPath(path)) return Fail(run, kErrorCreateDirectory, path);
  return true;
}

// Extracts one archive and counts what it wrote.
bool Extract(InstallRun& run, const char* directory, int resourceId, char* lastPath) {
  DWORD written = 0;
  if (!ExtractResourceArchive(run.panel, directory, resourceId, lastPath, &written)) return false;
  run.bytesWritten += written;
  return true;
}

// Whether another program holds the file open without sharing it, as a running
// program holds its own file.
bool IsFileInUse(const char* path) {
  ScopedHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  return !file.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool WriteScreenSaver(InstallRun& run) {
  char systemDirectory[kPathSize] = "";
  bool found = FindSystemDirectory(systemDirectory);
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepWritingSaver);
  if (found && Extract(run, systemDirectory, IDR_SCREEN_SAVER, run.saverFile)) return true;
  // A saver that did not close when asked: the user is told which program to end.
  char saver[kPathSize];
  if (BuildSystemPath(saver, kSaverFile) && IsFileInUse(saver))
    return Fail(run, kErrorSaverInUse, saver);
  return Fail(run, kErrorWriteSaver, systemDirectory);
}

// Leaves gVersionNumber unchanged when the saver has no readable version.
void ReadVersionNumber(InstallRun& run) {
  DWORD ignored = 0;
  DWORD size = SystemGetFileVersionInfoSizeA(run.saverFile, &ignored);
  if (size == 0) return;
  HeapBlock block(size);
  if (block.get() == nullptr || !SystemGetFileVersionInfoA(run.saverFile, 0, size, block.get()))
    return;
  void* root = nullptr;
  UINT rootSize = 0;
  if (!SystemVerQueryValueA(block.get(), "\\", &root, &rootSize) ||
      rootSize < sizeof(VS_FIXEDFILEINFO))
    return;
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(root);
  gVersionNumber = VersionNumberFromFileVersion(info->dwFileVersionMS, info->dwFileVersionLS);
  run.saverVersion = *info;
  run.saverHasVersion = true;
}

bool WriteProgramFiles(InstallRun& run) {
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepWritingProgramFiles);
  if (!Extract(run, gState.AppDir, IDR_PROGRAM_FILES, nullptr))
    return Fail(run, kErrorWriteProgramFiles, gState.AppDir);
  return true;
}

bool CreateInstallKey(HKEY root, const char* path, ScopedKey* key) {
  return RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key->out(), nullptr) ==
         ERROR_SUCCESS;
}

// A value that cannot be written is left out; the installation goes on.
void SetTextValue(HKEY key, const char* name, const char* text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1);
}

void SetNumberValue(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// What the list of installed programs shows and package tools read, beside
// the name and the uninstall command; the size follows once the image pack is
// written (RecordInstalledSize).
void WriteUninstallDetails(const InstallRun& run, HKEY key, const char* command) {
  char text[kPathSize + 40];
  if (BuildPath(text, gState.AppDir, kCompanionFile)) {
    char icon[kPathSize + 8];
    wsprintfA(icon, kDisplayIconFormat, text);
    SetTextValue(key, kValueDisplayIcon, icon);
  }
  if (run.saverHasVersion) {
    const VS_FIXEDFILEINFO& version = run.saverVersion;
    wsprintfA(text, kDisplayVersionFormat, HIWORD(version.dwFileVersionMS),
              LOWORD(version.dwFileVersionMS), HIWORD(version.dwFileVersionLS),
              LOWORD(version.dwFileVersionLS));
    SetTextValue(key, kValueDisplayVersion, text);
  }
  SetTextValue(key, kValuePublisher, kPublisher);
  SetTextValue(key, kValueInstallLocation, gState.AppDir);
  SetNumberValue(key, kValueNoModify, 1);
  SetNumberValue(key, kValueNoRepair, 1);
  wsprintfA(text, kQuietUninstallStringFormat, command, kQuietOption);
  SetTextValue(key, kValueQuietUninstallString, text);
}

bool WriteUninstallEntry(InstallRun& run) {
  ScopedKey key;
  if (!CreateInstallKey(HKEY_LOCAL_MACHINE, kUninstallKey, &key))
    return Fail(run, kErrorCreateKey, kUninstallKey);
  char uninstaller[kPathSize];
  char command[kPathSize + 32] = "";
  // The page has made sure the folder leaves room for every file under it.
  if (BuildPath(uninstaller, gState.AppDir, kUninstallEntryFile))
    wsprintfA(command, kUninstallStringFormat, uninstaller);
  SetTextValue(key.get(), kValueDisplayName, kProductName);
  SetTextValue(key.get(), kValueUninstallString, command);
  WriteUninstallDetails(run, key.get(), command);
  return true;
}

// The kilobytes the three archives wrote, rounded up; left out when the key
// cannot be opened again.
void RecordInstalledSize(const InstallRun& run) {
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, key.out()) !=
      ERROR_SUCCESS)
    return;
  SetNumberValue(key.get(), kValueEstimatedSize, (run.bytesWritten + 1023) / 1024);
}

bool WriteSettings(InstallRun& run) {
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepWritingRegistry);
  ScopedKey key;
  if (!CreateInstallKey(HKEY_CURRENT_USER, kSettingsKey, &key))
    return Fail(run, kErrorCreateKey, kSettingsKey);
  SetTextValue(key.get(), kValueAppDir, gState.AppDir);
  if (run.saverFile[0] != '\0') SetTextValue(key.get(), kValueExecutable, run.saverFile);
  SetTextValue(key.get(), kValueOwner, gState.RegisteredOwner);
  SetTextValue(key.get(), kValueOrganization, gState.RegisteredOrganization);
  SetTextValue(key.get(), kValueEMail, gState.RegisteredEMail);
  SetNumberValue(key.get(), kValueSSHotkey, gState.SSHotkey);
  SetNumberValue(key.get(), kValueToolHotkey, gState.ToolHotkey);
  SetNumberValue(key.get(), kValueDisplayMode, gState.DisplayMode);
  SetNumberValue(key.get(), kValueVersion, gVersionNumber);
  return true;
}

bool WriteImagePack(InstallRun& run) {
  char title[kPackTitleSize];
  LoadPackTitle(title);
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepWritingImagePack, title);
  char path[kPathSize];
  bool fits = BuildPath(path, gState.AppDir, kThemesDirectory) && AppendPath(path, title);
  if (!fits || !MakeDirectoryPath(path)) return Fail(run, kErrorCreatePackDirectory, path);
  if (!Extract(run, path, IDR_IMAGE_PACK, nullptr)) return Fail(run, kErrorDecompressPack, nullptr);
  return true;
}

// Reads a folder of the "Shell Folders" key into a buffer of kPathSize; false
// when the value cannot be read or is empty.
bool ReadShellFolder(HKEY key, const char* name, char* folder) {
  return ReadRegistryText(key, name, folder, kPathSize) && folder[0] != '\0';
}

// A shortcut that cannot be written is left out without a message.
void CreateLinkIn(const char* folder, const char* linkName, const char* target,
                  const char* description) {
  char linkFile[kPathSize];
  if (BuildPath(linkFile, folder, linkName)) CreateShortcut(description, target, linkFile, nullptr);
}

void CreateStartMenuShortcuts(const char* startMenu) {
  char folder[kPathSize];
  if (!BuildPath(folder, startMenu, kProgramsDirectory) || !AppendPath(folder, kMakerDirectory))
    return;
  MakeDirectoryPath(folder);
  char target[kPathSize];
  if (BuildPath(target, gState.AppDir, kUninstallerFile))
    CreateLinkIn(folder, kUninstallLink, target, kUninstallLinkDescription);
  if (BuildSystemPath(target, kSaverFile))
    CreateLinkIn(folder, kSaverLink, target, kSaverLinkDescription);
}

void CreateStartupShortcut(const char* startup) {
  char target[kPathSize];
  if (BuildPath(target, gState.AppDir, kCompanionFile))
    CreateLinkIn(startup, kCompanionLink, target, kCompanionLinkDescription);
}

void CreateShortcuts(const InstallRun& run) {
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepCreatingShortcuts);
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_ALL_ACCESS, key.out()) !=
      ERROR_SUCCESS)
    return;
  char folder[kPathSize];
  if (ReadShellFolder(key.get(), kValueStartMenu, folder)) CreateStartMenuShortcuts(folder);
  if (ReadShellFolder(key.get(), kValueStartup, folder)) CreateStartupShortcut(folder);
}

// Everything up to the shortcuts; stops at the first fatal failure.
void RunInstallingSteps(InstallRun& run) {
  CloseCompanion(run);
  CloseSaverWindows(run.waits->saverClose);
  if (!CheckRoom(run) || !CreateAppDirectories(run) || !WriteScreenSaver(run)) return;
  ReadVersionNumber(run);
  if (!WriteProgramFiles(run) || !WriteUninstallEntry(run) || !WriteSettings(run) ||
      !WriteImagePack(run))
    return;
  RecordInstalledSize(run);
  CreateShortcuts(run);
}

void MakeSaverCurrent(const InstallRun& run, const char* saverPath) {
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepMakeCurrent);
  MakeCurrentScreenSaver(saverPath);
}

// Keeps the windows alive until the configuration program has ended.
void WaitForProgramEnd(HANDLE process) {
  DWORD code = STILL_ACTIVE;
  while (GetExitCodeProcess(process, &code)) {
    PumpMessages();
    // A program may end with the very code that means "still running"; the
    // signalled handle tells the two apart.
    if (code != STILL_ACTIVE || WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return;
  }
}

void RunSaverConfiguration(const InstallRun& run, const char* saverPath) {
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepConfigure);
  char command[kPathSize + 8];
  wsprintfA(command, kConfigureCommandFormat, saverPath);
  HANDLE started = nullptr;
  if (!StartProgram(saverPath, command, 0, nullptr, &started)) return;
  ScopedHandle process(started);
  if (WaitForInputIdle(process.get(), run.waits->configureIdle) == 0)
    WaitForProgramEnd(process.get());
}

void StartCompanion(const InstallRun& run) {
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepStartCompanion);
  char companion[kPathSize];
  if (BuildPath(companion, gState.AppDir, kCompanionFile))
    StartProgram(companion, nullptr, 0, nullptr, nullptr);
}

// An installation registered in another folder has moved here: its files go
// there as the uninstaller would remove them, before the new companion starts.
void RemoveEarlierInstallation(const InstallRun& run) {
  char uninstaller[kPathSize];
  if (!run.hadEarlier || !BuildPath(uninstaller, gState.AppDir, kUninstallerFile) ||
      IsSameFile(uninstaller, run.earlierUninstaller))
    return;
  char folder[kPathSize];
  CopyText(folder, kPathSize, run.earlierUninstaller);
  const char* separator = FindLastChar(folder, '\\');
  if (separator == nullptr) return;
  folder[separator - folder] = '\0';
  SetProgressText(run.panel, IDC_PROGRESS_STEP, kStepRemoveEarlier, folder);
  // Names that cannot all be read leave the earlier folder as it is.
  ListedNames listed;
  if (ListProductNames(&listed)) {
    RemovalReport report = {};
    RemoveProductFiles(folder, listed.names, false, &report);
    RemoveDirectoryA(folder);  // stays while it holds anything left
  }
  if (GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES)
    CopyText(gEarlierFolderKept, kPathSize, folder);
}

// Only after an installation without failure: the saver is made current and
// configured, and the companion started.
void RunFinishingSteps(const InstallRun& run) {
  char saverPath[kPathSize];
  // The saver's extraction has just written to this path, so it fits.
  if (BuildSystemPath(saverPath, kSaverFile)) {
    if (gState.MakeCurrent) MakeSaverCurrent(run, saverPath);
    if (gState.ConfigureSaver) RunSaverConfiguration(run, saverPath);
  }
  StartCompanion(run);
}

}  // namespace

int InstallWorker(HWND owner, const InstallWaits& waits) {
  gState.InstallRunning = 1;
  InstallRun run = {};
  run.owner = owner;
  run.waits = &waits;
  run.panel = CreateProgressPanel(owner);
  gEarlierFolderKept[0] = '\0';
  run.hadEarlier = FindRegisteredUninstaller(run.earlierUninstaller);
  RunInstallingSteps(run);
  if (!run.failed) {
    RemoveEarlierInstallation(run);
    RunFinishingSteps(run);
  }
  if (run.panel != nullptr) DestroyWindow(run.panel);
  gState.InstallRunning = 0;
  return run.failed ? 0 : 1;
}
