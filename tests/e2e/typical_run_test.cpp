// Guards against a setup.exe that, walked through as a person would, leaves a
// file, key, shortcut or setting out, paints its backdrop wrongly, shows a
// picture at other than the screen's scale, starts or closes its programs
// wrongly, forgets the previous answers, or lets itself be closed while it
// installs; and against an uninstaller that leaves anything of what setup
// wrote, deletes what setup did not write, or needs a restart. The tests run
// in order in one prefix: the second run installs over the first one's
// installation, each uninstall round removes the one before it, and the last
// installs into another folder, which moves the installation there. The same
// program runs at 96 DPI and on a 3840 x 2160 screen at 192 DPI. The Japanese
// round runs alone, in a prefix in code page 932, where a folder name that
// ends in the byte of a backslash once scattered the product outside it.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "e2e_support.h"
#include "install_checks.h"
#include "resource_ids.h"

namespace {

const WizardAnswers kAnswers = {
    "Ada Tester", "Tarnwick Test Lab", "ada@example.org", "", true, false, ""};

// The prefix's files before the first installation.
std::set<std::string> gBeforeInstall;

constexpr COLORREF kPureBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Where band `index` of the backdrop's 256 bands starts on a screen `height`
// rows high; it ends where the next one starts.
int BandTop(int index, int height) {
  return index * height / 256;
}

// The first band, pure blue, is whole rows of its colour, and so are the
// screen's last three rows, black, whatever the screen's size: the wizard
// covers neither. (Above those, the credit lines may reach into a tall last
// band.)
void ExpectGradientEnds() {
  ScreenImage screen;
  const int height = screen.height();
  std::vector<std::pair<int, COLORREF>> rows;
  for (int y = 0; y < BandTop(1, height); ++y) rows.push_back({y, kPureBlue});
  for (int y = height - 3; y < height; ++y) rows.push_back({y, kBlack});
  for (auto [y, expected] : rows) {
    int wrong = 0;
    for (int x = 0; x < screen.width(); ++x) wrong += screen.Pixel(x, y) != expected;
    EXPECT_EQ(wrong, 0) << "row " << y << " of " << height;
  }
  EXPECT_EQ(screen.Pixel(1000, BandTop(1, height)), RGB(0, 0, 254))
      << "the second band starts at row " << BandTop(1, height);
}

// A shot of the backdrop alone: the wizard is hidden for a moment.
void SaveBackdropScreenshot(SetupRun& run) {
  if (!ScreenshotsWanted()) return;
  HWND sheet = run.Sheet();
  ShowWindow(sheet, SW_HIDE);
  SaveScreenshot("01-backdrop");
  ShowWindow(sheet, SW_SHOW);
  SetForegroundWindow(sheet);
}

void FinishAndExpectExit(SetupRun& run) {
  run.PressButton(PSBTN_FINISH);
  DWORD code = 99;
  ASSERT_TRUE(run.WaitForExit(kStepLimit, &code)) << "setup did not end after Finish";
  EXPECT_EQ(code, 0u);
}

TEST(TypicalRun, InstallsEverythingStartsTheCompanionAndTheSaverAtExit) {
  ASSERT_NO_FATAL_FAILURE(SeedShellFolders());
  ExpectNothingStarted();
  gBeforeInstall = ListPrefixFiles();
  SetupRun run;
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.WaitForPage("Welcome!"));
  ExpectGradientEnds();
  ExpectDoubledPictureShown(GetDlgItem(run.CurrentPage(), IDC_PAGE_PICTURE),
                            IDR_PAGE_PICTURE_DOUBLED, "the welcome page's picture");
  SaveBackdropScreenshot(run);

  ASSERT_NO_FATAL_FAILURE(WalkWizard(run, kAnswers, "Application Directory"));
  EXPECT_EQ(run.ControlText(IDC_APPDIR_EDIT), DefaultAppDir());
  SaveScreenshot("05-application-directory");
  run.PressButton(PSBTN_NEXT);
  ASSERT_TRUE(run.WaitForPage("Configuration"));
  EXPECT_TRUE(run.IsChecked(IDC_CONFIG_MAKE_CURRENT));
  EXPECT_FALSE(run.IsChecked(IDC_CONFIG_CONFIGURE));
  SaveScreenshot("06-configuration");
  run.PressButton(PSBTN_NEXT);
  ASSERT_TRUE(run.WaitForPage("Start Installation"));
  SaveScreenshot("07-start-installation");
  run.PressButton(PSBTN_NEXT);

  ASSERT_TRUE(run.WaitForPage("Installation Complete", kInstallLimit)) << run.PageTitle();
  EXPECT_EQ(run.ControlText(IDC_COMPLETE_RESULT), "Installation completed successfully.");
  EXPECT_TRUE(run.IsChecked(IDC_COMPLETE_LAUNCH));
  HWND complete = run.CurrentPage();
  ExpectPictureAtScale(GetDlgItem(complete, IDC_PAGE_PICTURE), kPagePicture,
                       "the completion page's picture");
  ExpectPictureAtScale(GetDlgItem(complete, IDC_COMPLETE_PICTURE), kCompletePicture,
                       "the tray picture");
  ExpectDoubledPictureShown(GetDlgItem(complete, IDC_COMPLETE_PICTURE),
                            IDR_COMPLETE_PICTURE_DOUBLED, "the tray picture");
  SaveScreenshot("09-complete");
  ASSERT_NO_FATAL_FAILURE(FinishAndExpectExit(run));
  EXPECT_TRUE(run.messages().empty()) << run.messages().front();

  ExpectInstalled(DefaultAppDir(), kAnswers);
  ExpectCompanionRunning(DefaultAppDir());
  EXPECT_TRUE(FindAndEndExitSaver(run.id(), 10000)) << "no screen saver was started at exit";
}

// Runs over the installation above, with its companion still running.
TEST(TypicalRun, SecondRunClosesTheCompanionPresetsTheAnswersAndCannotBeClosedMeanwhile) {
  ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey)) << "needs the first run's installation";
  HWND oldCompanion = FindWindowA("TarnwickZindleClass", nullptr);
  ASSERT_NE(oldCompanion, nullptr) << "needs the first run's companion";
  // Another Program Files directory: the folder shown must come from the settings.
  const std::string programFiles = ProgramFilesDirectory();
  const char* currentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  ASSERT_TRUE(
      WriteRegistryText(HKEY_LOCAL_MACHINE, currentVersion, "ProgramFilesDir", "C:\\Elsewhere"));
  SetScreenshotPrefix("second-");

  SetupRun run;
  ASSERT_TRUE(run.started());
  ASSERT_NO_FATAL_FAILURE(WalkWizard(run, kAnswers, "User Information"));
  EXPECT_EQ(run.ControlText(IDC_USER_NAME), kAnswers.name);
  EXPECT_EQ(run.ControlText(IDC_USER_ORGANIZATION), kAnswers.organisation);
  EXPECT_EQ(run.ControlText(IDC_USER_EMAIL), kAnswers.email);
  run.PressButton(PSBTN_NEXT);
  ASSERT_TRUE(run.WaitForPage("Application Directory"));
  EXPECT_EQ(run.ControlText(IDC_APPDIR_EDIT), JoinPath(programFiles, "Tarnwick"));
  WriteRegistryText(HKEY_LOCAL_MACHINE, currentVersion, "ProgramFilesDir", programFiles);
  run.PressButton(PSBTN_NEXT);
  ASSERT_TRUE(run.WaitForPage("Configuration"));
  run.PressButton(PSBTN_NEXT);
  ASSERT_TRUE(run.WaitForPage("Start Installation"));
  run.PressButton(PSBTN_NEXT);

  // The install waits 15 seconds after the companion has gone: time to try
  // closing setup by its window and by Escape, which it must refuse.
  HWND panel = nullptr;
  ASSERT_TRUE(run.WaitUntil([&] { return (panel = run.ProgressPanel()) != nullptr; }, kStepLimit));
  char step[128] = "";
  ASSERT_TRUE(run.WaitUntil(
      [&] {
        GetDlgItemTextA(panel, IDC_PROGRESS_STEP, step, sizeof step);
        return std::string(step) == "Closing zindle";
      },
      5000))
      << "step: " << step;
  EXPECT_TRUE(
      run.WaitUntil([] { return FindWindowA("TarnwickZindleClass", nullptr) == nullptr; }, 10000))
      << "the companion was not closed";
  // The panel's first control is its icon.
  ExpectPictureAtScale(FindWindowExA(panel, nullptr, "Static", nullptr), kPanelIcon,
                       "the progress panel's icon");
  SaveScreenshot("08-installing");
  HWND backdrop = run.Backdrop();
  ASSERT_NE(backdrop, nullptr);
  ClickScreen(20, 400);
  PressKey(VK_ESCAPE);
  PostMessageA(backdrop, WM_CLOSE, 0, 0);
  Sleep(1500);
  EXPECT_TRUE(run.running()) << "setup ended during the installation";
  EXPECT_TRUE(IsWindow(backdrop));
  EXPECT_TRUE(IsWindow(panel));

  ASSERT_TRUE(run.WaitForPage("Installation Complete", kInstallLimit)) << run.PageTitle();
  EXPECT_EQ(run.ControlText(IDC_COMPLETE_RESULT), "Installation completed successfully.");
  run.ClickControl(IDC_COMPLETE_LAUNCH);
  EXPECT_FALSE(run.IsChecked(IDC_COMPLETE_LAUNCH));
  SaveScreenshot("09-complete-launch-cleared");
  ASSERT_NO_FATAL_FAILURE(FinishAndExpectExit(run));
  EXPECT_TRUE(run.messages().empty()) << run.messages().front();

  ExpectInstalled(DefaultAppDir(), kAnswers);
  EXPECT_FALSE(FindAndEndExitSaver(run.id(), 2000)) << "the saver started although cleared";
  ExpectCompanionRunning(DefaultAppDir());  // the uninstaller closes it
}

void WriteTextFile(const std::string& path, const char* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  CloseHandle(file);
}

std::string CurrentSaverEntry() {
  char entry[MAX_PATH] = "";
  GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", entry, sizeof entry, "system.ini");
  return entry;
}

void InstallWithoutLaunch(const WizardAnswers& answers = kAnswers,
                          const std::string& appDir = DefaultAppDir()) {
  SetupRun run;
  ASSERT_TRUE(run.started());
  ASSERT_NO_FATAL_FAILURE(WalkWizard(run, answers));
  ASSERT_TRUE(run.WaitForPage("Installation Complete", kInstallLimit)) << run.PageTitle();
  run.ClickControl(IDC_COMPLETE_LAUNCH);
  ASSERT_NO_FATAL_FAILURE(FinishAndExpectExit(run));
  EXPECT_TRUE(run.messages().empty()) << run.messages().front();
  ExpectInstalled(appDir, answers);
}

// Round one, with the companion and the saver's settings running: a package
// tool's quiet uninstall leaves the prefix as it was before setup.
TEST(TypicalRun, QuietUninstallClosesTheProgramsAndLeavesThePrefixAsBefore) {
  ASSERT_NE(FindWindowA("TarnwickZindleClass", nullptr), nullptr) << "needs the second run";
  std::string command = "\"" + SaverPath() + "\" /c";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION settings = {};
  ASSERT_TRUE(CreateProcessA(SaverPath().c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &settings));
  for (int i = 0; i < 100 && !FindWindowA("TarnwickSaverSettingsClass", nullptr); ++i) Sleep(100);
  ASSERT_NE(FindWindowA("TarnwickSaverSettingsClass", nullptr), nullptr);

  EXPECT_EQ(RunQuietUninstall(DefaultAppDir()), 0u);
  EXPECT_EQ(WaitForSingleObject(settings.hProcess, 0), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the saver's settings are still open";
  CloseHandle(settings.hThread);
  CloseHandle(settings.hProcess);
  ExpectNothingStarted();
  ExpectProductRemoved(DefaultAppDir());
  for (int i = 0; i < 50 && DirectoryExists(DefaultAppDir()); ++i) Sleep(100);
  EXPECT_FALSE(DirectoryExists(DefaultAppDir()));
  ExpectPrefixAsBefore(gBeforeInstall);
}

// Round two: the user's own files under the application directory stay, a
// changed "AppDir" is not followed, and the system's blank saver takes over.
TEST(TypicalRun, UninstallKeepsTheUsersFilesAndIgnoresAChangedAppDir) {
  ASSERT_NO_FATAL_FAILURE(InstallWithoutLaunch());
  const std::string themes = JoinPath(DefaultAppDir(), "Themes");
  const std::string pack = JoinPath(themes, LoadSetupString(IDS_PACK_TITLE));
  const std::string holiday = JoinPath(themes, "My Holiday");
  const std::string decoy = "C:\\decoy";
  const std::string decoyPack =
      JoinPath(JoinPath(decoy, "Themes"), LoadSetupString(IDS_PACK_TITLE));
  const std::string blank = JoinPath(SystemDirectory(), "scrnsave.scr");
  for (const std::string& folder : {holiday, decoy, JoinPath(decoy, "Themes"), decoyPack})
    CreateDirectoryA(folder.c_str(), nullptr);
  const std::string kept[] = {JoinPath(pack, "note.txt"), JoinPath(holiday, "beach.bmp"),
                              JoinPath(decoy, "Zindle.exe"), JoinPath(decoyPack, "aurora.bmp")};
  for (const std::string& file : kept) ASSERT_NO_FATAL_FAILURE(WriteTextFile(file, "mine"));
  ASSERT_NO_FATAL_FAILURE(WriteTextFile(blank, "MZ"));
  ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, kSettingsKey, "AppDir", decoy));

  EXPECT_EQ(RunQuietUninstall(DefaultAppDir()), 3u) << "the result does not say what was kept";
  ExpectProductRemoved(DefaultAppDir());
  for (const std::string& file : kept) EXPECT_TRUE(FileExists(file)) << file;
  char shortBlank[MAX_PATH] = "";
  GetShortPathNameA(blank.c_str(), shortBlank, sizeof shortBlank);
  EXPECT_TRUE(SameText(CurrentSaverEntry(), shortBlank)) << CurrentSaverEntry();

  for (const std::string& file : kept) DeleteFileA(file.c_str());
  for (const std::string& folder :
       {decoyPack, JoinPath(decoy, "Themes"), decoy, holiday, pack, themes, DefaultAppDir()})
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << folder << " holds more than the user's files";
  DeleteFileA(blank.c_str());
  WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", nullptr, "system.ini");
  ExpectPrefixAsBefore(gBeforeInstall);
}

// Round three: another user, or a run after the settings went, still removes
// the installation the uninstaller belongs to.
TEST(TypicalRun, UninstallWithoutTheSettingsKeyStillRemovesTheInstallation) {
  ASSERT_NO_FATAL_FAILURE(InstallWithoutLaunch());
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
  EXPECT_EQ(RunQuietUninstall(DefaultAppDir()), 0u);
  ExpectProductRemoved(DefaultAppDir());
  ExpectPrefixAsBefore(gBeforeInstall);
}

// Round four: installed again into another folder, the installation moves
// there: the first folder loses every file of the product (and goes, being
// empty), and the uninstaller the entry names removes the second.
TEST(TypicalRun, InstallingIntoAnotherFolderMovesTheInstallation) {
  ASSERT_NO_FATAL_FAILURE(InstallWithoutLaunch());
  WizardAnswers moved = kAnswers;
  moved.folder = "C:\\Moved\\Tarnwick";
  ASSERT_NO_FATAL_FAILURE(InstallWithoutLaunch(moved, moved.folder));
  EXPECT_FALSE(DirectoryExists(DefaultAppDir())) << "the first folder still holds something";
  EXPECT_EQ(RunQuietUninstall(moved.folder), 0u);
  ExpectProductRemoved(moved.folder);
  for (int i = 0; i < 50 && DirectoryExists(moved.folder); ++i) Sleep(100);
  EXPECT_TRUE(RemoveDirectoryA("C:\\Moved"));
  ExpectPrefixAsBefore(gBeforeInstall);
}

// In code page 932, where these texts are written: 表 and 予定表 end in the
// byte of a backslash; 山田ァ holds the byte of "@" only as the second byte of
// ァ. Neither folder exists: setup makes both.
const std::string kJapaneseParent = "C:\\\x95\x5C";                                  // C:\表
const std::string kJapaneseFolder = kJapaneseParent + "\\\x97\x5C\x92\xE8\x95\x5C";  // C:\表\予定表
const WizardAnswers kJapaneseAnswers = {"\x8E\x52\x93\x63 \x91\xBE\x98\x59",  // 山田 太郎
                                        "\x83\x5C\x83\x74\x83\x67\x95\x5C",   // ソフト表
                                        "\x8E\x52\x93\x63\x83\x40@example.jp",  // 山田ァ@example.jp
                                        kJapaneseFolder,
                                        true,
                                        false,
                                        "\x8E\x52\x93\x63\x83\x40"};  // 山田ァ

TEST(JapaneseRun, InstallsIntoAFolderEndingInTheByteOfABackslashAndRemovesIt) {
  ASSERT_EQ(GetACP(), 932u) << "run in the Japanese locale (wine-run --lang ja_JP.UTF-8)";
  ASSERT_NO_FATAL_FAILURE(SeedShellFolders());
  const std::set<std::string> before = ListPrefixFiles();
  SetScreenshotPrefix("japanese-");
  SetupRun run;
  ASSERT_TRUE(run.started());
  ASSERT_NO_FATAL_FAILURE(WalkWizard(run, kJapaneseAnswers));
  ASSERT_TRUE(run.WaitForPage("Installation Complete", kInstallLimit)) << run.PageTitle();
  EXPECT_EQ(run.ControlText(IDC_COMPLETE_RESULT), "Installation completed successfully.");
  ASSERT_NO_FATAL_FAILURE(FinishAndExpectExit(run));
  EXPECT_EQ(run.messages().size(), 1u) << "besides the refused address";

  ExpectInstalled(kJapaneseFolder, kJapaneseAnswers);
  ExpectAddedOnlyWhereSetupWrites(before, kJapaneseFolder);
  ExpectCompanionRunning(kJapaneseFolder);
  EXPECT_TRUE(FindAndEndExitSaver(run.id(), 10000)) << "no screen saver was started at exit";

  EXPECT_EQ(RunQuietUninstall(kJapaneseFolder), 0u);
  ExpectProductRemoved(kJapaneseFolder);
  for (int i = 0; i < 50 && DirectoryExists(kJapaneseFolder); ++i) Sleep(100);
  EXPECT_FALSE(DirectoryExists(kJapaneseFolder));
  EXPECT_TRUE(RemoveDirectoryA(kJapaneseParent.c_str())) << "setup made it, and it holds more";
  ExpectPrefixAsBefore(before);
}

}  // namespace
