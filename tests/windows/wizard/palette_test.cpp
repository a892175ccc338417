// Guards against a palette display that does not get the display-settings
// advice, gets it in the wrong place, or whose "Change Display Settings..."
// starts a program planted beside setup instead of the system's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource_ids.h"
#include "shell/setup_state_win.h"
#include "wizard/wizard_sheet_win.h"
#include "wizard_driver.h"

namespace {

bool IsPaletteScreen() {
  HDC screen = GetDC(nullptr);
  bool palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
  ReleaseDC(nullptr, screen);
  return palette;
}

TEST(PaletteDisplay, SevenPagesWithTheDisplayAdviceThirdAndTheLastStillInstalling) {
  ASSERT_TRUE(IsPaletteScreen()) << "this test runs on an 8-bit screen";
  PrepareSetupState();
  CopyText(gState.RegisteredEMail, kUserTextSize, "p@q");
  CopyText(gState.AppDir, kPathSize, "C:\\Palette\\Tarnwick");
  std::vector<LPARAM> forward;
  int pageCount = 0;
  ButtonSet adviceButtons = {};
  std::string adviceTitle;
  std::string result;
  WizardRun run = RunWizard([&](HWND sheet) {
    pageCount = PageCount(sheet);
    ASSERT_TRUE(AcceptLicence(sheet));
    forward = {PageWelcome, PageUserInfo};
    PressButton(sheet, PSBTN_NEXT);
    ASSERT_TRUE(
        WaitUntil([&] { return IsWindowVisible(sheet) && CurrentPageId(sheet) != PageUserInfo; }));
    forward.push_back(CurrentPageId(sheet));
    adviceButtons = ReadButtons(sheet);
    adviceTitle = ControlText(CurrentPage(sheet), IDC_TITLE);
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageAppDirectory));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_BACK, PageDisplaySettings));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_BACK, PageUserInfo));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageDisplaySettings));
    for (LPARAM id : {PageAppDirectory, PageConfiguration, PageStartInstall}) {
      ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, id));
      forward.push_back(id);
    }
    PressButton(sheet, PSBTN_NEXT);
    ASSERT_TRUE(WaitForPage(sheet, PageComplete, 60000));
    forward.push_back(PageComplete);
    result = ControlText(CurrentPage(sheet), IDC_COMPLETE_RESULT);
    PressButton(sheet, PSBTN_FINISH);
  });
  EXPECT_FALSE(run.forcedEnd);
  EXPECT_EQ(pageCount, 7);
  EXPECT_EQ(forward,
            (std::vector<LPARAM>{PageWelcome, PageUserInfo, PageDisplaySettings, PageAppDirectory,
                                 PageConfiguration, PageStartInstall, PageComplete}));
  EXPECT_TRUE(adviceButtons.backEnabled);
  EXPECT_TRUE(adviceButtons.nextEnabled);
  EXPECT_EQ(adviceTitle, "Display Settings");
  EXPECT_EQ(result, ResourceText(IDS_INSTALL_SUCCEEDED));
  EXPECT_EQ(gState.InstallSucceeded, 1u);
}

TEST(PaletteDisplay, ChangeDisplaySettingsStartsTheSystemControlPanelAndEndsSetup) {
  ASSERT_TRUE(IsPaletteScreen());
  // The test program stands where setup.exe would; a control.exe planted
  // beside it must not be the one started.
  const char planted[] = "C:\\run\\control.exe";
  const char mark[] = "C:\\run\\planted-control-ran.txt";
  ASSERT_TRUE(FileExists(planted));
  PrepareSetupState();
  CopyText(gState.RegisteredEMail, kUserTextSize, "p@q");
  WizardRun run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(AcceptLicence(sheet));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageDisplaySettings));
    ClickControl(CurrentPage(sheet), IDC_DISPLAY_CHANGE);
  });
  EXPECT_FALSE(run.forcedEnd) << "setup did not end after starting the control panel";
  EXPECT_EQ(gState.InstallSucceeded, 0u);
  Sleep(2000);
  EXPECT_FALSE(FileExists(mark)) << "the planted control.exe was started";
}

}  // namespace
