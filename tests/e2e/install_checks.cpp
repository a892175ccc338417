#include "install_checks.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "common/handles_win.h"
#include "resource_ids.h"

namespace {

constexpr char kSaverFile[] = "Tarnwick.scr";

// The last-write time setup gives a member: its MS-DOS local time, in UTC.
bool MemberTime(const ArchiveMember& member, FILETIME* time) {
  FILETIME local;
  return DosDateTimeToFileTime(member.dosDate, member.dosTime, &local) &&
         LocalFileTimeToFileTime(&local, time);
}

void ExpectArchiveInstalled(int resourceId, const std::string& directory) {
  std::vector<ArchiveMember> members = ListSetupArchive(resourceId);
  ASSERT_FALSE(members.empty()) << "setup.exe carries no archive " << resourceId;
  for (const ArchiveMember& member : members) {
    std::string path = JoinPath(directory, member.name);
    SCOPED_TRACE(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << "missing";
    DWORD size = 0;
    EXPECT_EQ(FileCrc(path, &size), member.crc) << "contents differ";
    EXPECT_EQ(size, member.size);
    FILETIME expected;
    ASSERT_TRUE(MemberTime(member, &expected));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &expected), 0) << "modification time";
    EXPECT_EQ(data.dwFileAttributes, (member.externalAttributes & 0x7F) | FILE_ATTRIBUTE_ARCHIVE);
  }
}

void ExpectText(HKEY root, const char* key, const char* value, const std::string& expected) {
  std::string text;
  DWORD type = 0, size = 0;
  ASSERT_TRUE(ReadRegistryText(root, key, value, &text, &type, &size)) << value << " missing";
  EXPECT_EQ(text, expected) << value;
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << value;
  EXPECT_EQ(size, expected.size() + 1) << value << " is not stored with one terminator";
}

void ExpectNumber(const char* value, DWORD expected, HKEY root = HKEY_CURRENT_USER,
                  const char* key = kSettingsKey) {
  DWORD number = 0, type = 0;
  ASSERT_TRUE(ReadRegistryNumber(root, key, value, &number, &type)) << value << " missing";
  EXPECT_EQ(number, expected) << value;
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << value;
}

// The installed saver's file version, false without one.
bool ReadSaverVersion(VS_FIXEDFILEINFO* version) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(SaverPath().c_str(), &handle);
  std::vector<BYTE> block(size + 1);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoA(SaverPath().c_str(), 0, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length))
    return false;
  *version = *info;
  return true;
}

// a.b.c.d of the installed saver gives a * 10000 + b * 100 + d; 10043 without one.
DWORD ExpectedVersionNumber() {
  VS_FIXEDFILEINFO info;
  if (!ReadSaverVersion(&info)) return 10043;
  return HIWORD(info.dwFileVersionMS) * 10000 + LOWORD(info.dwFileVersionMS) * 100 +
         LOWORD(info.dwFileVersionLS);
}

// What the list of installed programs shows: every member setup wrote counts
// towards the size, rounded up to whole kilobytes.
void ExpectUninstallDetails(const std::string& appDir) {
  const HKEY root = HKEY_LOCAL_MACHINE;
  ExpectText(root, kUninstallKey, "DisplayIcon", "\"" + appDir + "\\Zindle.exe\",0");
  VS_FIXEDFILEINFO version;
  ASSERT_TRUE(ReadSaverVersion(&version));
  std::string dotted = std::to_string(HIWORD(version.dwFileVersionMS)) + "." +
                       std::to_string(LOWORD(version.dwFileVersionMS)) + "." +
                       std::to_string(HIWORD(version.dwFileVersionLS)) + "." +
                       std::to_string(LOWORD(version.dwFileVersionLS));
  ExpectText(root, kUninstallKey, "DisplayVersion", dotted);
  ExpectText(root, kUninstallKey, "Publisher", "Tarnwick");
  ExpectText(root, kUninstallKey, "InstallLocation", appDir);
  ExpectText(root, kUninstallKey, "QuietUninstallString",
             "\"" + appDir + "\\Uninstall.exe\" /quiet");
  ExpectNumber("NoModify", 1, root, kUninstallKey);
  ExpectNumber("NoRepair", 1, root, kUninstallKey);
  DWORD bytes = 0;
  for (int archive : {IDR_SCREEN_SAVER, IDR_PROGRAM_FILES, IDR_IMAGE_PACK}) {
    for (const ArchiveMember& member : ListSetupArchive(archive)) bytes += member.size;
  }
  ExpectNumber("EstimatedSize", (bytes + 1023) / 1024, root, kUninstallKey);
}

void ExpectRegistry(const std::string& appDir, const WizardAnswers& answers) {
  ExpectText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Tarnwick My Zindle");
  ExpectText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString",
             "\"" + appDir + "\\Uninstall.exe\"");
  ExpectUninstallDetails(appDir);
  ExpectText(HKEY_CURRENT_USER, kSettingsKey, "AppDir", appDir);
  ExpectText(HKEY_CURRENT_USER, kSettingsKey, "Executable", SaverPath());
  ExpectText(HKEY_CURRENT_USER, kSettingsKey, "RegisteredOwner", answers.name);
  ExpectText(HKEY_CURRENT_USER, kSettingsKey, "RegisteredOrganization", answers.organisation);
  ExpectText(HKEY_CURRENT_USER, kSettingsKey, "RegisteredEMail", answers.email);
  ExpectNumber("SSHotkey", 0x01100053);
  ExpectNumber("ToolHotkey", 0x01100054);
  ExpectNumber("DisplayMode", 1);
  ExpectNumber("Version", ExpectedVersionNumber());
}

void ExpectShortcut(const std::string& link, const std::string& target,
                    const std::string& description) {
  SCOPED_TRACE(link);
  ShortcutFields info;
  ASSERT_TRUE(ReadShortcut(link, &info)) << "no readable shortcut";
  EXPECT_TRUE(SameText(info.target, target)) << info.target << " instead of " << target;
  EXPECT_EQ(info.description, description);
  EXPECT_EQ(info.workingDirectory, "");
}

void ExpectShortcuts(const std::string& appDir) {
  std::string startMenu, startup;
  ASSERT_TRUE(ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, "Start Menu", &startMenu));
  ASSERT_TRUE(ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, "Startup", &startup));
  std::string folder = JoinPath(JoinPath(startMenu, "Programs"), "Tarnwick");
  ExpectShortcut(JoinPath(folder, "Uninstall Tarnwick My Zindle.lnk"),
                 JoinPath(appDir, "uninstall.exe"), "Uninstall Tarnwick My Zindle");
  ExpectShortcut(JoinPath(folder, "Tarnwick My Zindle.lnk"), SaverPath(), "Tarnwick My Zindle");
  ExpectShortcut(JoinPath(startup, "Tarnwick Zindle.lnk"), JoinPath(appDir, "Zindle.exe"),
                 "Tarnwick Zindle");
}

std::string CurrentSaverEntry() {
  char entry[MAX_PATH] = "";
  GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", entry, sizeof entry, "system.ini");
  return entry;
}

// Lower case, character by character: in a double-byte code page the second
// byte of a character may have the value of a capital letter.
std::string LowerCase(std::string text) {
  if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

bool IsInFolder(const std::string& path, const std::string& folder) {
  return path == folder || path.rfind(folder + "\\", 0) == 0;
}

// The files Windows deletes at its next start, lower-cased, one a line.
std::string PendingDeletions() {
  ScopedKey key;
  std::string list(65536, '\0');
  DWORD size = static_cast<DWORD>(list.size());
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_READ, key.out()) != ERROR_SUCCESS ||
      RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&list[0]), &size) != ERROR_SUCCESS)
    size = 0;
  list.resize(size);
  std::replace(list.begin(), list.end(), '\0', '\n');
  return LowerCase(list);
}

void ListFolder(const std::string& folder, std::set<std::string>* paths) {
  WIN32_FIND_DATAA entry;
  HANDLE found = FindFirstFileA(JoinPath(folder, "*").c_str(), &entry);
  if (found == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = JoinPath(folder, name);
    paths->insert(LowerCase(path));
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ListFolder(path, paths);
  } while (FindNextFileA(found, &entry));
  FindClose(found);
}

// A temporary copy of the uninstaller, waiting for a restart to go.
void ExpectUninstallerCopy(const std::string& path) {
  SCOPED_TRACE(path);
  char temporary[MAX_PATH] = "";
  GetTempPathA(sizeof temporary, temporary);
  std::string folder = LowerCase(temporary);
  EXPECT_EQ(path.rfind(folder, 0), 0u) << "a new file outside " << folder;
  DWORD size = 0;
  DWORD crc = FileCrc(path, &size);
  bool isUninstaller = false;
  for (const ArchiveMember& member : ListSetupArchive(IDR_PROGRAM_FILES))
    isUninstaller |= member.name == "uninstall.exe" && member.crc == crc && member.size == size;
  EXPECT_TRUE(isUninstaller) << "a new file that is not the uninstaller";
  EXPECT_NE(PendingDeletions().find(path), std::string::npos) << "not left for deletion at restart";
}

std::string PackTitle() {
  std::string title = LoadSetupString(IDS_PACK_TITLE);
  return title.empty() ? "Nature" : title;
}

}  // namespace

std::string ProgramFilesDirectory() {
  std::string directory;
  ReadRegistryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                   "ProgramFilesDir", &directory);
  return directory.empty() ? "C:\\Program Files\\" : directory;
}

std::string DefaultAppDir() {
  return JoinPath(ProgramFilesDirectory(), "Tarnwick");
}

std::string SaverPath() {
  return JoinPath(SystemDirectory(), kSaverFile);
}

void SeedShellFolders() {
  struct Folder {
    const char* value;
    int id;
  };
  for (Folder folder : {Folder{"Start Menu", CSIDL_STARTMENU}, Folder{"Startup", CSIDL_STARTUP}}) {
    std::string present;
    if (ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, folder.value, &present)) continue;
    char path[MAX_PATH] = "";
    ASSERT_EQ(SHGetFolderPathA(nullptr, folder.id | CSIDL_FLAG_CREATE, nullptr, 0, path), S_OK);
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, folder.value, path));
  }
}

void ExpectInstalled(const std::string& appDir, const WizardAnswers& answers) {
  EXPECT_NO_FATAL_FAILURE(ExpectArchiveInstalled(IDR_SCREEN_SAVER, SystemDirectory()));
  EXPECT_NO_FATAL_FAILURE(ExpectArchiveInstalled(IDR_PROGRAM_FILES, appDir));
  EXPECT_NO_FATAL_FAILURE(
      ExpectArchiveInstalled(IDR_IMAGE_PACK, JoinPath(JoinPath(appDir, "Themes"), PackTitle())));
  EXPECT_NO_FATAL_FAILURE(ExpectRegistry(appDir, answers));
  EXPECT_NO_FATAL_FAILURE(ExpectShortcuts(appDir));
  char shortPath[MAX_PATH] = "";
  ASSERT_NE(GetShortPathNameA(SaverPath().c_str(), shortPath, sizeof shortPath), 0u);
  EXPECT_TRUE(SameText(CurrentSaverEntry(), shortPath))
      << "system.ini names '" << CurrentSaverEntry() << "'";
}

void ExpectNothingInstalled() {
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(FileExists(SaverPath()));
  EXPECT_FALSE(DirectoryExists(DefaultAppDir()));
  EXPECT_EQ(CurrentSaverEntry().find("TARNWI"), std::string::npos) << CurrentSaverEntry();
  std::string startMenu, startup;
  ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, "Start Menu", &startMenu);
  ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, "Startup", &startup);
  EXPECT_FALSE(DirectoryExists(JoinPath(JoinPath(startMenu, "Programs"), "Tarnwick")));
  EXPECT_FALSE(FileExists(JoinPath(startup, "Tarnwick Zindle.lnk")));
}

void ExpectNothingStarted() {
  EXPECT_TRUE(FindPrograms(kSaverFile).empty()) << "the screen saver runs";
  EXPECT_TRUE(FindPrograms("zindle.exe").empty()) << "the companion runs";
  EXPECT_EQ(FindWindowA("TarnwickZindleClass", nullptr), nullptr);
}

DWORD ExpectCompanionRunning(const std::string& appDir) {
  HWND window = nullptr;
  for (int i = 0; i < 100 && window == nullptr; ++i) {
    window = FindWindowA("TarnwickZindleClass", nullptr);
    if (window == nullptr) Sleep(100);
  }
  EXPECT_NE(window, nullptr) << "no companion window";
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  std::string expected = JoinPath(appDir, "Zindle.exe");
  bool found = false;
  for (const RunningProgram& program : FindPrograms("zindle.exe")) {
    if (program.id != id) continue;
    found = true;
    std::string line = program.commandLine;
    if (!line.empty() && line.front() == '"') line = line.substr(1, line.find('"', 1) - 1);
    EXPECT_TRUE(SameText(line, expected)) << program.commandLine;
  }
  EXPECT_TRUE(found) << "the companion window belongs to no zindle.exe";
  return id;
}

bool FindAndEndExitSaver(DWORD setupId, DWORD milliseconds) {
  const std::string expected = SaverPath() + " +s";
  for (DWORD waited = 0; waited <= milliseconds; waited += 100) {
    for (const RunningProgram& program : FindPrograms(kSaverFile)) {
      if (program.parent != setupId) continue;
      EXPECT_TRUE(SameText(program.commandLine, expected)) << program.commandLine;
      EndProgram(program.id);
      return true;
    }
    Sleep(100);
  }
  return false;
}

std::set<std::string> ListPrefixFiles() {
  std::set<std::string> paths;
  ListFolder("C:", &paths);
  // The screenshots are the run's own files.
  std::string shots = LowerCase(ScreenshotFolder());
  if (shots.empty()) return paths;
  for (auto path = paths.begin(); path != paths.end();)
    path = IsInFolder(*path, shots) ? paths.erase(path) : ++path;
  return paths;
}

void ExpectAddedOnlyWhereSetupWrites(const std::set<std::string>& before,
                                     const std::string& appDir) {
  std::string startMenu, startup;
  ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, "Start Menu", &startMenu);
  ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, "Startup", &startup);
  const std::string folders[] = {LowerCase(appDir),
                                 LowerCase(JoinPath(JoinPath(startMenu, "Programs"), "Tarnwick"))};
  const std::string files[] = {LowerCase(SaverPath()),
                               LowerCase(JoinPath(startup, "Tarnwick Zindle.lnk"))};
  for (const std::string& path : ListPrefixFiles()) {
    if (before.count(path)) continue;
    bool expected = std::find(std::begin(files), std::end(files), path) != std::end(files);
    // The application directory's missing parents are made on the way.
    expected |= IsInFolder(folders[0], path);
    for (const std::string& folder : folders) expected |= IsInFolder(path, folder);
    EXPECT_TRUE(expected) << "written outside the application directory: " << path;
  }
}

DWORD RunQuietUninstall(const std::string& appDir) {
  std::string command;
  EXPECT_TRUE(
      ReadRegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", &command));
  std::string application = JoinPath(appDir, "Uninstall.exe");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(application.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &started))
    return 1000;
  DWORD code = 1001;
  if (WaitForSingleObject(started.hProcess, kInstallLimit) == WAIT_OBJECT_0)
    GetExitCodeProcess(started.hProcess, &code);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return code;
}

void ExpectProductRemoved(const std::string& appDir) {
  for (int archive : {IDR_PROGRAM_FILES, IDR_IMAGE_PACK}) {
    std::string folder =
        archive == IDR_IMAGE_PACK ? JoinPath(JoinPath(appDir, "Themes"), PackTitle()) : appDir;
    for (const ArchiveMember& member : ListSetupArchive(archive)) {
      std::string path = JoinPath(folder, member.name);
      // The copy the uninstaller leaves through takes its own file last.
      for (int i = 0; i < 100 && FileExists(path); ++i) Sleep(100);
      EXPECT_FALSE(FileExists(path)) << path;
    }
  }
  EXPECT_FALSE(FileExists(SaverPath()));
  std::string startMenu, startup;
  ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, "Start Menu", &startMenu);
  ReadRegistryText(HKEY_CURRENT_USER, kShellFoldersKey, "Startup", &startup);
  EXPECT_FALSE(DirectoryExists(JoinPath(JoinPath(startMenu, "Programs"), "Tarnwick")));
  EXPECT_FALSE(FileExists(JoinPath(startup, "Tarnwick Zindle.lnk")));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Tarnwick"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_EQ(CurrentSaverEntry().find("TARNWI"), std::string::npos) << CurrentSaverEntry();
  EXPECT_EQ(PendingDeletions().find("tarnwi"), std::string::npos) << PendingDeletions();
}

void ExpectPrefixAsBefore(const std::set<std::string>& before) {
  ASSERT_FALSE(before.empty());
  std::set<std::string> now = ListPrefixFiles();
  for (const std::string& path : before) EXPECT_TRUE(now.count(path)) << "gone: " << path;
  for (const std::string& path : now) {
    if (!before.count(path)) ExpectUninstallerCopy(path);
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}
