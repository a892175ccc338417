// Guards against a failed installation that is reported more or less than
// once, claims success, or still starts the screen saver when setup ends; and
// against a damaged setup.exe that installs a damaged file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "install_checks.h"
#include "resource_ids.h"

namespace {

// Walks to the end with `folder`, expects the messages and the failure on the
// completion page, where the launch box is cleared and disabled, and presses
// Finish.
void InstallAndFinish(SetupRun& run, const char* folder, const std::vector<std::string>& messages) {
  WizardAnswers answers = {"Cy Failing", "", "cy@example.org", folder, true, false, ""};
  ASSERT_NO_FATAL_FAILURE(WalkWizard(run, answers));
  ASSERT_TRUE(run.WaitForPage("Installation Complete", kInstallLimit)) << run.PageTitle();
  EXPECT_EQ(run.ControlText(IDC_COMPLETE_RESULT), "Installation failed.");
  EXPECT_EQ(run.messages(), messages);
  EXPECT_FALSE(run.IsChecked(IDC_COMPLETE_LAUNCH)) << "nothing is launched after a failure";
  SaveScreenshot("failed-complete");
  run.PressButton(PSBTN_FINISH);
  DWORD code = 99;
  ASSERT_TRUE(run.WaitForExit(kStepLimit, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(run.messages().size(), messages.size());
}

class FailedInstallation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SeedShellFolders(); }
};

TEST_F(FailedInstallation, OnAMissingDriveNothingIsWrittenOrStarted) {
  ASSERT_EQ(GetLogicalDrives() & (1u << ('Q' - 'A')), 0u) << "drive Q: must not exist";
  SetupRun run;
  ASSERT_TRUE(run.started());
  ASSERT_NO_FATAL_FAILURE(
      InstallAndFinish(run, "Q:\\Nowhere\\Tarnwick",
                       {"Couldn't create directory\n'Q:\\Nowhere\\Tarnwick\\Themes'\n"}));
  Sleep(1000);
  ExpectNothingInstalled();
  ExpectNothingStarted();
}

// The screen saver is already written when the program files fail, so a
// wrong exit action would really start it.
TEST_F(FailedInstallation, AfterTheSaverIsWrittenTheSaverIsStillNotStartedAtExit) {
  const std::string appDir = "C:\\Collide\\Tarnwick";
  ASSERT_TRUE(CreateDirectoryA("C:\\Collide", nullptr));
  ASSERT_TRUE(CreateDirectoryA(appDir.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(JoinPath(appDir, "zindle.exe").c_str(), nullptr));
  SetupRun run;
  ASSERT_TRUE(run.started());
  ASSERT_NO_FATAL_FAILURE(InstallAndFinish(
      run, appDir.c_str(), {"Couldn't write program file to:\n'" + appDir + "'\n"}));
  EXPECT_TRUE(FileExists(SaverPath())) << "the failure should come after the saver";
  EXPECT_FALSE(FindAndEndExitSaver(run.id(), 2000)) << "the saver started after a failure";
  ExpectNothingStarted();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
}

// C:\run\damaged\setup.exe has one byte of the stored companion flipped: its
// size is right, only its CRC tells.
TEST_F(FailedInstallation, ADamagedSetupSaysSoAndLeavesNoDamagedFile) {
  const std::string appDir = "C:\\Damaged\\Tarnwick";
  const std::string companion = JoinPath(appDir, "zindle.exe");
  SetupRun run("C:\\run\\damaged");
  ASSERT_TRUE(run.started());
  ASSERT_NO_FATAL_FAILURE(
      InstallAndFinish(run, appDir.c_str(),
                       {"'" + companion +
                            "' could not be installed because this setup program is damaged.\n"
                            "Please obtain the setup program again.",
                        "Couldn't write program file to:\n'" + appDir + "'\n"}));
  EXPECT_FALSE(FileExists(companion));
  EXPECT_FALSE(FindAndEndExitSaver(run.id(), 2000)) << "the saver started after a failure";
  ExpectNothingStarted();
}

}  // namespace
