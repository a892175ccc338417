// Guards against a setup.exe that, walked through as a person would, leaves a
// file, key, shortcut or setting out, paints its backdrop wrongly, starts or
// closes its programs wrongly, forgets the previous answers, or lets itself be
// closed while it installs. The tests run in order in one prefix: the second
// run installs over the first one's installation.
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "install_checks.h"
#include "resource_ids.h"

namespace {

const WizardAnswers kAnswers = {"Ada Tester", "Tarnwick Test Lab", "ada@example.org", "", true,
                                false};

constexpr COLORREF kPureBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Rows 0-2 of a 768-row backdrop are its first band and 765-767 its last,
// and the wizard covers neither.
void ExpectGradientEnds() {
  ScreenImage screen;
  ASSERT_EQ(screen.width(), 1024);
  ASSERT_EQ(screen.height(), 768);
  for (int y : {0, 1, 2, 765, 766, 767}) {
    COLORREF expected = y < 3 ? kPureBlue : kBlack;
    int wrong = 0;
    for (int x = 0; x < screen.width(); ++x) wrong += screen.Pixel(x, y) != expected;
    EXPECT_EQ(wrong, 0) << "row " << y;
  }
  EXPECT_EQ(screen.Pixel(1000, 3), RGB(0, 0, 254)) << "the second band starts at row 3";
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
  SetupRun run;
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.WaitForPage("Welcome!"));
  ExpectGradientEnds();
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
  ExpectCompanionRunning(DefaultAppDir());
  EXPECT_TRUE(CloseCompanion(10000));
}

}  // namespace
