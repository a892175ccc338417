// Guards against directories, shortcut files, the current-saver entry and
// program starts that the shell and the started programs see differently from
// what the installation meant: a missing level, a wrong link field, a long path
// in system.ini, a mis-quoted command line or a wrong working directory.
#include <gtest/gtest.h>
#include <objbase.h>

#include <string>
#include <thread>

#include "common/programs_win.h"
#include "install/install_test_support.h"
#include "install/shell_actions_win.h"

namespace {

class ShellActionsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCurrentDirectoryA("C:\\run"); }
};

int CountEntries(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(directory, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  do {
    if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

TEST_F(ShellActionsTest, MakeDirectoryPathCreatesEveryMissingLevel) {
  EXPECT_EQ(MakeDirectoryPath("C:\\mdp\\one\\two\\three"), 1);
  EXPECT_TRUE(DirectoryExists("C:\\mdp\\one"));
  EXPECT_TRUE(DirectoryExists("C:\\mdp\\one\\two"));
  EXPECT_TRUE(DirectoryExists("C:\\mdp\\one\\two\\three"));
}

TEST_F(ShellActionsTest, MakeDirectoryPathAcceptsWhatAlreadyExists) {
  ASSERT_TRUE(CreateDirectoryA("C:\\mdp-existing", nullptr));
  WriteWholeFile("C:\\mdp-existing\\keep.txt", "keep");
  EXPECT_EQ(MakeDirectoryPath("C:\\mdp-existing"), 1);
  EXPECT_EQ(CountEntries("C:\\mdp-existing"), 1);

  // A file of that name counts as done, although no directory is there.
  WriteWholeFile("C:\\mdp-file", "not a directory");
  EXPECT_EQ(MakeDirectoryPath("C:\\mdp-file"), 1);
  EXPECT_TRUE(FileExists("C:\\mdp-file"));
}

TEST_F(ShellActionsTest, MakeDirectoryPathFailsWhereALevelCannotBeMade) {
  // Only a backslash separates levels, so the missing parents are not made.
  EXPECT_EQ(MakeDirectoryPath("C:/mdp-forward/a/b"), 0);
  EXPECT_FALSE(DirectoryExists("C:\\mdp-forward"));

  EXPECT_EQ(MakeDirectoryPath("Q:\\Tarnwick\\Themes"), 0);

  // The levels made before the failing one stay.
  EXPECT_EQ(MakeDirectoryPath("C:\\mdp-partial\\made\\bad*name"), 0);
  EXPECT_TRUE(DirectoryExists("C:\\mdp-partial\\made"));
}

TEST_F(ShellActionsTest, CreateShortcutWritesTargetAndDescriptionOnly) {
  ASSERT_TRUE(CreateDirectoryA("C:\\links", nullptr));
  ASSERT_EQ(CreateShortcut("Tarnwick Zindle", "C:\\Program Files\\Tarnwick\\Zindle.exe",
                           "C:\\links\\Tarnwick Zindle.lnk", nullptr),
            1);
  ShortcutFields fields;
  ASSERT_TRUE(ReadShortcut("C:\\links\\Tarnwick Zindle.lnk", &fields));
  EXPECT_EQ(fields.target, "C:\\Program Files\\Tarnwick\\Zindle.exe");
  EXPECT_EQ(fields.description, "Tarnwick Zindle");
  EXPECT_EQ(fields.workingDirectory, "");

  ASSERT_EQ(CreateShortcut("With folder", "C:\\run\\install_probe.exe", "C:\\links\\With.lnk",
                           "C:\\run\\files"),
            1);
  ASSERT_TRUE(ReadShortcut("C:\\links\\With.lnk", &fields));
  EXPECT_EQ(fields.workingDirectory, "C:\\run\\files");
}

TEST_F(ShellActionsTest, CreateShortcutIntoAMissingFolderFailsAndLeavesNoFile) {
  EXPECT_EQ(CreateShortcut("Tarnwick Zindle", "C:\\run\\install_probe.exe",
                           "C:\\no-such-folder\\Tarnwick Zindle.lnk", nullptr),
            0);
  EXPECT_FALSE(FileExists("C:\\no-such-folder\\Tarnwick Zindle.lnk"));
  EXPECT_FALSE(DirectoryExists("C:\\no-such-folder"));
}

TEST_F(ShellActionsTest, CreateShortcutLeavesTheThreadsComAsItFoundIt) {
  CreateDirectoryA("C:\\links", nullptr);
  // Not initialised before: not initialised after.
  ASSERT_EQ(CreateShortcut("One", "C:\\run\\install_probe.exe", "C:\\links\\One.lnk", nullptr), 1);
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  // Initialised by the caller: still initialised after, once.
  ASSERT_EQ(CreateShortcut("Two", "C:\\run\\install_probe.exe", "C:\\links\\Two.lnk", nullptr), 1);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  CoUninitialize();
}

TEST_F(ShellActionsTest, CreateShortcutRefusesAThreadOfTheOtherApartmentKind) {
  int result = -1;
  HRESULT afterwards = E_FAIL;
  std::thread worker([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    result = CreateShortcut("Three", "C:\\run\\install_probe.exe", "C:\\links\\Three.lnk", nullptr);
    afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CoUninitialize();
    CoUninitialize();
  });
  worker.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(FileExists("C:\\links\\Three.lnk"));
  // The caller's apartment was not torn down.
  EXPECT_EQ(afterwards, S_FALSE);
}

TEST_F(ShellActionsTest, MakeCurrentScreenSaverWritesTheShortPathAndSwitchesTheSaverOn) {
  const std::string folder = "C:\\Program Files\\Long Saver Folder";
  const std::string saver = JoinPath(folder, "Tarnwick Long Name.scr");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  WriteWholeFile(saver, "saver");
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, 0);

  MakeCurrentScreenSaver(saver.c_str());

  std::string entry = SaverEntryOnDisk();
  EXPECT_EQ(entry.find(' '), std::string::npos) << entry;
  char longPath[MAX_PATH] = "";
  GetLongPathNameA(entry.c_str(), longPath, MAX_PATH);
  EXPECT_EQ(lstrcmpiA(longPath, saver.c_str()), 0) << entry << " names " << longPath;
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  EXPECT_TRUE(active);
}

TEST_F(ShellActionsTest, MakeCurrentScreenSaverWritesTheLongPathWithoutAShortForm) {
  MakeCurrentScreenSaver("C:\\Program Files\\Nowhere\\Missing Saver.scr");
  EXPECT_EQ(SaverEntryOnDisk(), "C:\\Program Files\\Nowhere\\Missing Saver.scr");
}

TEST_F(ShellActionsTest, StartProgramPassesApplicationCommandLineAndDirectoryApart) {
  ClearProbeLog();
  HANDLE process = nullptr;
  ASSERT_EQ(StartProgram(kProbePath, "first-token second third", 0, kTestFilesPath, &process), 1);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
  CloseHandle(process);

  ProbeRecord record;
  ASSERT_TRUE(WaitForProbeRecord("start", "\\install_probe.exe", 5000, &record));
  EXPECT_EQ(lstrcmpiA(record.module.c_str(), kProbePath), 0) << record.module;
  EXPECT_EQ(record.commandLine, "first-token second third");
  EXPECT_EQ(record.directory, kTestFilesPath);
}

TEST_F(ShellActionsTest, StartProgramWithoutCommandLineOrDirectoryGivesTheCallers) {
  ClearProbeLog();
  HANDLE process = nullptr;
  ASSERT_EQ(StartProgram(kPlainProbePath, nullptr, 0, nullptr, &process), 1);
  EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
  CloseHandle(process);

  ProbeRecord record;
  ASSERT_TRUE(WaitForProbeRecord("start", "\\install_probe_plain.exe", 5000, &record));
  // With no command line of its own the program sees just its quoted path.
  EXPECT_EQ(record.commandLine, std::string("\"") + kPlainProbePath + "\"");
  EXPECT_EQ(record.directory, "C:\\run");
}

TEST_F(ShellActionsTest, StartProgramOfAMissingFileFailsAndHandsNothingOver) {
  HANDLE process = reinterpret_cast<HANDLE>(0x1234);
  EXPECT_EQ(StartProgram("C:\\run\\missing.exe", "missing.exe", 0, nullptr, &process), 0);
  EXPECT_EQ(process, reinterpret_cast<HANDLE>(0x1234));
}

TEST_F(ShellActionsTest, LaunchScreenSaverStartsTheInstalledSaverWithPlusS) {
  const std::string saver = JoinPath(SystemDirectory(), "Tarnwick.scr");
  ASSERT_TRUE(CopyFileA(kPlainProbePath, saver.c_str(), FALSE));
  ClearProbeLog();

  LaunchScreenSaver();

  ProbeRecord record;
  ASSERT_TRUE(WaitForProbeRecord("start", "\\Tarnwick.scr", 20000, &record));
  EXPECT_EQ(lstrcmpiA(record.module.c_str(), saver.c_str()), 0) << record.module;
  EXPECT_EQ(record.commandLine, saver + " +s");
  EXPECT_EQ(record.directory, SystemDirectory());
  for (int tries = 0; tries < 100 && !DeleteFileA(saver.c_str()); ++tries) Sleep(50);
}

BOOL CALLBACK CountIfOwn(HWND window, LPARAM data) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId()) ++*reinterpret_cast<int*>(data);
  return TRUE;
}

int CountOwnWindows() {
  int count = 0;
  EnumWindows(CountIfOwn, reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(ShellActionsTest, LaunchScreenSaverWithoutTheSaverStartsAndShowsNothing) {
  DeleteFileA(JoinPath(SystemDirectory(), "Tarnwick.scr").c_str());
  ClearProbeLog();
  MessageBoxWatcher watcher;
  int windowsBefore = CountOwnWindows();

  LaunchScreenSaver();

  EXPECT_FALSE(WaitForProbeRecord("start", "", 1000, nullptr));
  EXPECT_EQ(CountOwnWindows(), windowsBefore);
  EXPECT_TRUE(watcher.Boxes().empty());
}

}  // namespace
