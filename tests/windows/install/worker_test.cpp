// Guards against an installation that reports success while it left out or
// misplaced a file, wrote a registry value with the wrong type, data or size,
// made a wrong shortcut, skipped or reordered a step, waited for nothing or
// stopped waiting too early.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/install_test_support.h"
#include "install/install_worker_win.h"
#include "shell/setup_state_win.h"

namespace {

constexpr char kAppDir[] = "C:\\Program Files\\Tarnwick";
constexpr char kSettingsKey[] = "Software\\Tarnwick\\SS";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickSS";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

WORD DosDate(int year, int month, int day) {
  return static_cast<WORD>(((year - 1980) << 9) | (month << 5) | day);
}
WORD DosTime(int hour, int minute, int second) {
  return static_cast<WORD>((hour << 11) | (minute << 5) | (second / 2));
}

// One file the test archives put in place, as the build packed it.
struct ExpectedFile {
  std::string path;
  std::string source;
  WORD date;
  WORD time;
  DWORD attributes;
};

std::string ShellFolder(const char* name) {
  RegistryValue value = QueryValue(HKEY_CURRENT_USER, kShellFolders, name);
  return value.found ? std::string(value.data.c_str()) : std::string();
}

std::string SaverPath() {
  return JoinPath(SystemDirectory(), "Tarnwick.scr");
}

void SetSaverEntry(const char* value) {
  WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", value, "system.ini");
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
}

// The full run: both options on, no companion running, settings from an
// earlier installation in place.
class FullInstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetCurrentDirectoryA("C:\\run");
    ClearProbeLog();
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, "AppDir", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\Old"), 7);
    RegSetValueExA(key, "Extra", 0, REG_SZ, reinterpret_cast<const BYTE*>("kept"), 5);
    RegCloseKey(key);
    PrepareSetupState(kAppDir, 1, 1);
    owner_ = CreateOwnerWindow();
    outcome_ = new InstallOutcome(RunInstallWorker(owner_));
    companionStarted_ = WaitForProbeRecord("start", "\\Zindle.exe", 20000, nullptr) &&
                        WaitForCompanionWindow(20000);
    std::printf("InstallWorker took %lu ms\n", static_cast<unsigned long>(outcome_->elapsed));
  }
  static void TearDownTestSuite() {
    CloseRunningCompanions();
    DestroyWindow(owner_);
    delete outcome_;
  }
  static HWND owner_;
  static InstallOutcome* outcome_;
  static bool companionStarted_;
};

HWND FullInstallTest::owner_ = nullptr;
InstallOutcome* FullInstallTest::outcome_ = nullptr;
bool FullInstallTest::companionStarted_ = false;

TEST_F(FullInstallTest, SucceedsWithoutAMessageAndRemovesThePanel) {
  EXPECT_EQ(outcome_->result, 1);
  EXPECT_TRUE(outcome_->boxes.empty());
  ASSERT_NE(outcome_->panel, nullptr);
  EXPECT_FALSE(IsWindow(outcome_->panel));
  EXPECT_EQ(gState.InstallRunning, 0u);
  for (const SeenStep& step : outcome_->steps) EXPECT_EQ(step.installRunning, 1u) << step.text;
}

TEST_F(FullInstallTest, ShowsEveryStepInOrderAndDoesNotWaitForAnAbsentCompanion) {
  std::vector<std::string> expected = InstallingStepTexts(kAppDir, "Meadow Test");
  expected.insert(expected.end(), {"Make current", "Configure", "Start Zindle"});
  EXPECT_EQ(outcome_->stepTexts, expected);
  EXPECT_LT(outcome_->elapsed, 12000u);
}

TEST_F(FullInstallTest, PutsEveryFileInPlaceWithItsTimeAndAttributes) {
  const std::string appDir = kAppDir;
  const std::string pack = JoinPath(appDir, "Themes\\Meadow Test");
  const std::string files = kTestFilesPath;
  const std::vector<ExpectedFile> expected = {
      {SaverPath(), kProbePath, DosDate(2001, 2, 3), DosTime(4, 5, 6), 0x20},
      {JoinPath(appDir, "zindle.exe"), kProbePath, DosDate(2003, 4, 5), DosTime(6, 7, 8), 0x20},
      {JoinPath(appDir, "uninstall.exe"), kPlainProbePath, DosDate(2004, 5, 6), DosTime(7, 8, 10),
       0x20},
      {JoinPath(appDir, "tips.txt"), JoinPath(files, "tips.txt"), DosDate(2005, 6, 7),
       DosTime(8, 9, 10), 0x22},
      {JoinPath(pack, "meadow.txt"), JoinPath(files, "meadow.txt"), DosDate(2006, 7, 8),
       DosTime(9, 10, 12), 0x21},
      {JoinPath(pack, "credits.txt"), JoinPath(files, "credits.txt"), DosDate(2007, 8, 9),
       DosTime(10, 11, 12), 0x20},
  };
  for (const ExpectedFile& file : expected) {
    SCOPED_TRACE(file.path);
    std::string written;
    std::string source;
    ASSERT_TRUE(ReadWholeFile(file.path, &written));
    ASSERT_TRUE(ReadWholeFile(file.source, &source));
    EXPECT_TRUE(written == source) << "contents differ";
    WORD date = 0;
    WORD time = 0;
    ASSERT_TRUE(ReadDosTime(file.path, &date, &time));
    EXPECT_EQ(date, file.date);
    EXPECT_EQ(time, file.time);
    EXPECT_EQ(GetFileAttributesA(file.path.c_str()), file.attributes);
  }
}

TEST_F(FullInstallTest, WritesTheUninstallEntryWithAQuotedCommand) {
  RegistryValue name = QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName");
  EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(name.data, StoredText("Tarnwick My Zindle"));
  RegistryValue command = QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  EXPECT_EQ(command.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(command.data, StoredText("\"C:\\Program Files\\Tarnwick\\Uninstall.exe\""));
}

TEST_F(FullInstallTest, WritesEverySettingWithItsTypeDataAndSize) {
  struct Expected {
    const char* name;
    DWORD type;
    std::string data;
  };
  const std::vector<Expected> expected = {
      {"AppDir", REG_SZ, StoredText(kAppDir)},
      {"Executable", REG_SZ, StoredText(SaverPath())},
      {"RegisteredOwner", REG_SZ, StoredText("Ada Tester")},
      {"RegisteredOrganization", REG_SZ, StoredText("Fen & Marsh Works")},
      {"RegisteredEMail", REG_SZ, StoredText("ada@example.test")},
      {"SSHotkey", REG_DWORD, StoredNumber(0x0653)},
      {"ToolHotkey", REG_DWORD, StoredNumber(0x0754)},
      {"DisplayMode", REG_DWORD, StoredNumber(3)},
      {"Version", REG_DWORD, StoredNumber(10204)},
      // Left by the earlier installation: overwritten values only, nothing deleted.
      {"Extra", REG_SZ, StoredText("kept")},
  };
  for (const Expected& value : expected) {
    SCOPED_TRACE(value.name);
    RegistryValue stored = QueryValue(HKEY_CURRENT_USER, kSettingsKey, value.name);
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.type, value.type);
    EXPECT_EQ(stored.data.size(), value.data.size());
    EXPECT_EQ(stored.data, value.data);
  }
  EXPECT_EQ(gVersionNumber, 10204u);
}

TEST_F(FullInstallTest, CreatesTheThreeShortcutsFromTheShellFolders) {
  const std::string menu = JoinPath(ShellFolder("Start Menu"), "Programs\\Tarnwick");
  const std::string startup = ShellFolder("Startup");
  ASSERT_FALSE(startup.empty());
  struct Expected {
    std::string link;
    std::string target;
    const char* description;
  };
  const std::vector<Expected> expected = {
      {JoinPath(menu, "Uninstall Tarnwick My Zindle.lnk"), JoinPath(kAppDir, "uninstall.exe"),
       "Uninstall Tarnwick My Zindle"},
      {JoinPath(menu, "Tarnwick My Zindle.lnk"), SaverPath(), "Tarnwick My Zindle"},
      {JoinPath(startup, "Tarnwick Zindle.lnk"), JoinPath(kAppDir, "Zindle.exe"),
       "Tarnwick Zindle"},
  };
  for (const Expected& link : expected) {
    SCOPED_TRACE(link.link);
    ShortcutFields fields;
    ASSERT_TRUE(ReadShortcut(link.link, &fields));
    EXPECT_EQ(lstrcmpiA(fields.target.c_str(), link.target.c_str()), 0) << fields.target;
    EXPECT_EQ(fields.description, link.description);
    EXPECT_EQ(fields.workingDirectory, "");
  }
}

TEST_F(FullInstallTest, MakesTheInstalledSaverCurrentByItsShortPath) {
  char shortPath[MAX_PATH] = "";
  ASSERT_NE(GetShortPathNameA(SaverPath().c_str(), shortPath, MAX_PATH), 0u);
  EXPECT_EQ(SaverEntryOnDisk(), shortPath);
}

TEST_F(FullInstallTest, RunsTheConfigurationQuotedAndWaitsUntilItHasEnded) {
  const ProbeRecord* configure = nullptr;
  bool ended = false;
  for (const ProbeRecord& record : outcome_->logAtReturn) {
    if (lstrcmpiA(record.module.c_str(), SaverPath().c_str()) != 0) continue;
    if (record.event == "start") configure = &record;
    if (record.event == "end") ended = true;
  }
  ASSERT_NE(configure, nullptr);
  EXPECT_EQ(configure->commandLine, "\"" + SaverPath() + "\" /c");
  EXPECT_EQ(configure->directory, "C:\\run");
  EXPECT_TRUE(ended) << "InstallWorker returned before the configuration ended";
  // The probe's configuration stays open for a second.
  const std::vector<SeenStep>& steps = outcome_->steps;
  ASSERT_GE(steps.size(), 2u);
  EXPECT_GE(steps[steps.size() - 1].tick - steps[steps.size() - 2].tick, 900u);
}

TEST_F(FullInstallTest, StartsTheCompanionWithoutACommandLine) {
  ASSERT_TRUE(companionStarted_);
  ProbeRecord record;
  ASSERT_TRUE(WaitForProbeRecord("start", "\\Zindle.exe", 0, &record));
  EXPECT_EQ(lstrcmpiA(record.module.c_str(), JoinPath(kAppDir, "Zindle.exe").c_str()), 0)
      << record.module;
  EXPECT_EQ(record.commandLine, "\"C:\\Program Files\\Tarnwick\\Zindle.exe\"");
  EXPECT_EQ(record.directory, "C:\\run");
  EXPECT_TRUE(WaitForCompanionWindow(10000));
}

// Runs with other options and other shell folders, each in its own directory
// and without an earlier installation to move from.
class InstallVariantsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentDirectoryA("C:\\run");
    ClearProbeLog();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    owner_ = CreateOwnerWindow();
    menu_ = JoinPath(ShellFolder("Start Menu"), "Programs\\Tarnwick");
    startup_ = ShellFolder("Startup");
    ASSERT_FALSE(menu_.empty());
    ASSERT_FALSE(startup_.empty());
    DeleteLinks();
  }
  void TearDown() override {
    CloseRunningCompanions();
    DestroyWindow(owner_);
    SetEnvironmentVariableA("PROBE_EXIT_CODE", nullptr);
    SetEnvironmentVariableA("PROBE_NEVER_IDLE", nullptr);
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, "Start Menu", 0, REG_SZ, reinterpret_cast<const BYTE*>(startMenu_.c_str()),
                   static_cast<DWORD>(startMenu_.size() + 1));
    RegSetValueExA(key, "Startup", 0, REG_SZ, reinterpret_cast<const BYTE*>(startup_.c_str()),
                   static_cast<DWORD>(startup_.size() + 1));
    RegCloseKey(key);
  }
  void DeleteLinks() {
    startMenu_ = ShellFolder("Start Menu");
    DeleteFileA(JoinPath(menu_, "Uninstall Tarnwick My Zindle.lnk").c_str());
    DeleteFileA(JoinPath(menu_, "Tarnwick My Zindle.lnk").c_str());
    DeleteFileA(JoinPath(startup_, "Tarnwick Zindle.lnk").c_str());
  }
  int CountLinks() {
    return FileExists(JoinPath(menu_, "Uninstall Tarnwick My Zindle.lnk")) +
           FileExists(JoinPath(menu_, "Tarnwick My Zindle.lnk")) +
           FileExists(JoinPath(startup_, "Tarnwick Zindle.lnk"));
  }
  HWND owner_ = nullptr;
  std::string menu_;
  std::string startMenu_;
  std::string startup_;
};

TEST_F(InstallVariantsTest, WithBothOptionsOffOnlyTheCompanionStartFollowsTheShortcuts) {
  SetSaverEntry("C:\\earlier.scr");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_ALL_ACCESS, &key), 0);
  RegDeleteValueA(key, "Start Menu");
  RegCloseKey(key);
  PrepareSetupState("C:\\Tarnwick Two", 0, 0);

  InstallOutcome outcome = RunInstallWorker(owner_);

  EXPECT_EQ(outcome.result, 1);
  std::vector<std::string> expected = InstallingStepTexts("C:\\Tarnwick Two", "Meadow Test");
  expected.push_back("Start Zindle");
  EXPECT_EQ(outcome.stepTexts, expected);
  EXPECT_EQ(SaverEntryOnDisk(), "C:\\earlier.scr");
  EXPECT_FALSE(WaitForProbeRecord("start", "\\Tarnwick.scr", 0, nullptr));
  // Without "Start Menu" the Startup shortcut is still made.
  EXPECT_FALSE(FileExists(JoinPath(menu_, "Tarnwick My Zindle.lnk")));
  ShortcutFields fields;
  ASSERT_TRUE(ReadShortcut(JoinPath(startup_, "Tarnwick Zindle.lnk"), &fields));
  EXPECT_EQ(lstrcmpiA(fields.target.c_str(), "C:\\Tarnwick Two\\Zindle.exe"), 0) << fields.target;
  EXPECT_TRUE(WaitForCompanionWindow(20000));
}

TEST_F(InstallVariantsTest, WithoutTheShellFoldersKeyNoShortcutIsMadeAndTheRunSucceeds) {
  SetSaverEntry("C:\\earlier.scr");
  DeleteKeyTree(HKEY_CURRENT_USER, kShellFolders);
  PrepareSetupState("C:\\Tarnwick Three", 1, 0);

  InstallOutcome outcome = RunInstallWorker(owner_);

  EXPECT_EQ(outcome.result, 1);
  EXPECT_TRUE(outcome.boxes.empty());
  std::vector<std::string> expected = InstallingStepTexts("C:\\Tarnwick Three", "Meadow Test");
  expected.insert(expected.end(), {"Make current", "Start Zindle"});
  EXPECT_EQ(outcome.stepTexts, expected);
  EXPECT_EQ(CountLinks(), 0);
  EXPECT_NE(SaverEntryOnDisk(), "C:\\earlier.scr");
  EXPECT_TRUE(WaitForCompanionWindow(20000));
}

TEST_F(InstallVariantsTest, AConfigurationEndingWithTheStillActiveCodeDoesNotHoldSetup) {
  SetEnvironmentVariableA("PROBE_EXIT_CODE", "259");
  PrepareSetupState("C:\\Tarnwick Four", 0, 1);

  InstallOutcome outcome = RunInstallWorker(owner_);

  EXPECT_EQ(outcome.result, 1);
  std::vector<std::string> expected = InstallingStepTexts("C:\\Tarnwick Four", "Meadow Test");
  expected.insert(expected.end(), {"Configure", "Start Zindle"});
  EXPECT_EQ(outcome.stepTexts, expected);
  EXPECT_LT(outcome.elapsed, 12000u);
  EXPECT_TRUE(WaitForProbeRecord("end", "\\Tarnwick.scr", 0, nullptr));
  EXPECT_TRUE(WaitForCompanionWindow(20000));
}

TEST_F(InstallVariantsTest, AConfigurationThatNeverGetsReadyIsLeftAfterTheIdleWait) {
  SetEnvironmentVariableA("PROBE_NEVER_IDLE", "1");
  PrepareSetupState("C:\\Tarnwick Five", 0, 1);
  InstallWaits waits;
  waits.configureIdle = 1000;

  InstallOutcome outcome = RunInstallWorker(owner_, waits);

  EXPECT_EQ(outcome.result, 1);
  ASSERT_GE(outcome.steps.size(), 2u);
  EXPECT_EQ(outcome.steps[outcome.steps.size() - 2].text, "Configure");
  DWORD waited = outcome.steps.back().tick - outcome.steps[outcome.steps.size() - 2].tick;
  EXPECT_GE(waited, 1000u);
  EXPECT_LT(waited, 2500u) << "setup waited for the configuration to end";
  EXPECT_TRUE(WaitForProbeRecord("end", "\\Tarnwick.scr", 20000, nullptr));
  EXPECT_TRUE(WaitForCompanionWindow(20000));
}

// The product's files in a folder of an installation.
int ProductFilesIn(const std::string& appDir) {
  int found = 0;
  for (const char* name : {"zindle.exe", "uninstall.exe", "tips.txt",
                           "Themes\\Meadow Test\\meadow.txt", "Themes\\Meadow Test\\credits.txt"})
    found += FileExists(JoinPath(appDir, name));
  return found + DirectoryExists(JoinPath(appDir, "Themes"));
}

TEST_F(InstallVariantsTest, MovingToAnotherFolderTakesTheProductOutOfTheEarlierOne) {
  const std::string a = "C:\\Folder A";
  const std::string b = "C:\\Folder B";
  // Given with its backslash: the entry still names the uninstaller with one.
  const std::string c = "C:\\Folder C\\";
  PrepareSetupState(a.c_str(), 0, 0);
  ASSERT_EQ(RunInstallWorker(owner_).result, 1);
  ASSERT_EQ(ProductFilesIn(a), 6);
  WaitForCompanionWindow(20000);
  CloseRunningCompanions();
  WriteWholeFile(JoinPath(a, "notes.txt"), "the user's own");

  PrepareSetupState(b.c_str(), 0, 0);
  InstallOutcome toB = RunInstallWorker(owner_);
  WaitForCompanionWindow(20000);
  CloseRunningCompanions();
  std::string keptFromA = gEarlierFolderKept;

  PrepareSetupState(c.c_str(), 0, 0);
  InstallOutcome toC = RunInstallWorker(owner_);

  EXPECT_EQ(toB.result, 1);
  EXPECT_TRUE(toB.boxes.empty());
  std::vector<std::string> expected = InstallingStepTexts(b, "Meadow Test");
  expected.insert(expected.end(), {"Removing My Zindle from " + a, "Start Zindle"});
  EXPECT_EQ(toB.stepTexts, expected);
  // The earlier folder keeps only the user's file, and the page is told so.
  EXPECT_EQ(ProductFilesIn(a), 0);
  EXPECT_TRUE(FileExists(JoinPath(a, "notes.txt")));
  EXPECT_EQ(keptFromA, a);
  // Without anything of the user's, the earlier folder goes too; the new one
  // is whole and registered for removal.
  EXPECT_EQ(toC.result, 1);
  EXPECT_EQ(ProductFilesIn(b), 0);
  EXPECT_FALSE(DirectoryExists(b));
  EXPECT_STREQ(gEarlierFolderKept, "");
  EXPECT_EQ(ProductFilesIn(c), 6);
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").data,
            StoredText("\"C:\\Folder C\\Uninstall.exe\""));
  std::printf("Moved A -> B -> C: A keeps %s, B %s\n", DirectoryExists(a) ? "notes.txt" : "nothing",
              DirectoryExists(b) ? "exists" : "is gone");
  EXPECT_TRUE(WaitForCompanionWindow(20000));
}

}  // namespace
