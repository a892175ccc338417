// Guards against a wizard that loses or mangles the user's answers between
// pages, offers the wrong buttons, shows the licence more than once or lets
// setup go on without it, lets a bad e-mail address through, or fails to
// install at the end of the walk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "shell/setup_state_win.h"
#include "wizard/licence_dialog_win.h"
#include "wizard/wizard_pages_win.h"
#include "wizard/wizard_sheet_win.h"
#include "wizard_driver.h"

namespace {

std::string SystemFile(const char* name) {
  char path[MAX_PATH] = "";
  GetSystemDirectoryA(path, MAX_PATH);
  return std::string(path) + "\\" + name;
}

void ExpectBackAndNext(HWND sheet, const char* page) {
  ButtonSet buttons = ReadButtons(sheet);
  EXPECT_TRUE(buttons.backEnabled) << page;
  EXPECT_TRUE(buttons.nextEnabled) << page;
  EXPECT_FALSE(buttons.finishShown) << page;
  EXPECT_TRUE(buttons.cancelEnabled) << page;
}

void ExpectPageLooks(HWND page, const char* name) {
  HWND title = GetDlgItem(page, IDC_TITLE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0)), gState.TitleFont)
      << name;
  EXPECT_NE(SendMessageA(GetDlgItem(page, IDC_PAGE_PICTURE), STM_GETIMAGE, IMAGE_BITMAP, 0), 0)
      << name;
}

void ExpectCentredOver(HWND sheet, HWND owner) {
  RECT inner;
  RECT outer;
  GetWindowRect(sheet, &inner);
  GetWindowRect(owner, &outer);
  EXPECT_LE(std::abs((inner.left + inner.right) - (outer.left + outer.right)), 1);
  EXPECT_LE(std::abs((inner.top + inner.bottom) - (outer.top + outer.bottom)), 1);
}

TEST(WizardWalk, SixPagesInOrderWithTheirButtonsThenInstallsAndFinishes) {
  PrepareSetupState();
  CopyText(gState.RegisteredOwner, kUserTextSize, "Ada Lovelace");
  CopyText(gState.RegisteredOrganization, kUserTextSize, "Analytical Engines");
  CopyText(gState.RegisteredEMail, kUserTextSize, "ada@example.org");
  CopyText(gState.AppDir, kPathSize, "C:\\Walk\\Tarnwick");
  std::vector<LPARAM> visited;
  std::string result;
  ButtonSet completeButtons = {};
  bool launchShown = false;
  WizardRun run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(WaitForPage(sheet, PageWelcome));
    visited.push_back(CurrentPageId(sheet));
    EXPECT_EQ(PageCount(sheet), 6);
    ExpectCentredOver(sheet, gState.BackdropWnd);
    ExpectPageLooks(CurrentPage(sheet), "welcome");
    ButtonSet welcome = ReadButtons(sheet);
    EXPECT_FALSE(welcome.backEnabled);
    EXPECT_TRUE(welcome.nextEnabled);
    EXPECT_TRUE(welcome.cancelEnabled);
    // The welcome page puts the focus on Next.
    EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == GetDlgItem(sheet, kNextButton); }));

    ASSERT_TRUE(AcceptLicence(sheet));
    visited.push_back(CurrentPageId(sheet));
    HWND page = CurrentPage(sheet);
    ExpectPageLooks(page, "user information");
    EXPECT_EQ(ControlText(page, IDC_USER_NAME), "Ada Lovelace");
    EXPECT_EQ(ControlText(page, IDC_USER_ORGANIZATION), "Analytical Engines");
    EXPECT_EQ(ControlText(page, IDC_USER_EMAIL), "ada@example.org");
    ExpectBackAndNext(sheet, "user information");

    const LPARAM middle[] = {PageAppDirectory, PageConfiguration, PageStartInstall};
    for (LPARAM id : middle) {
      ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, id)) << id;
      visited.push_back(id);
      ExpectPageLooks(CurrentPage(sheet), "middle page");
      ExpectBackAndNext(sheet, "middle page");
    }
    EXPECT_EQ(ControlText(CurrentPage(sheet), IDC_TITLE), "Start Installation");

    // Next on the start page installs with the sheet hidden, then shows the result.
    PressButton(sheet, PSBTN_NEXT);
    ASSERT_TRUE(WaitForPage(sheet, PageComplete, 60000));
    visited.push_back(CurrentPageId(sheet));
    page = CurrentPage(sheet);
    result = ControlText(page, IDC_COMPLETE_RESULT);
    EXPECT_TRUE(WaitUntil([&] { return !ReadButtons(sheet).cancelEnabled; }));
    completeButtons = ReadButtons(sheet);
    launchShown = IsControlChecked(page, IDC_COMPLETE_LAUNCH);
    EXPECT_NE(SendMessageA(GetDlgItem(page, IDC_COMPLETE_PICTURE), STM_GETIMAGE, IMAGE_BITMAP, 0),
              0);
    PressButton(sheet, PSBTN_FINISH);
  });
  ASSERT_TRUE(run.created);
  EXPECT_FALSE(run.forcedEnd) << "Finish did not end the wizard";
  EXPECT_EQ(visited, (std::vector<LPARAM>{PageWelcome, PageUserInfo, PageAppDirectory,
                                          PageConfiguration, PageStartInstall, PageComplete}));
  EXPECT_EQ(result, ResourceText(IDS_INSTALL_SUCCEEDED));
  EXPECT_FALSE(completeButtons.backEnabled);
  EXPECT_FALSE(completeButtons.nextShown);
  EXPECT_TRUE(completeButtons.finishShown);
  EXPECT_FALSE(completeButtons.cancelEnabled);
  EXPECT_TRUE(launchShown);
  EXPECT_EQ(gState.InstallSucceeded, 1u);
  // What the pages held went into the installation.
  EXPECT_EQ(ReadSetting("RegisteredOwner"), "Ada Lovelace");
  EXPECT_EQ(ReadSetting("RegisteredEMail"), "ada@example.org");
  EXPECT_EQ(ReadSetting("AppDir"), "C:\\Walk\\Tarnwick");
  EXPECT_TRUE(FileExists("C:\\Walk\\Tarnwick\\zindle.exe"));
  EXPECT_TRUE(FileExists(SystemFile("Tarnwick.scr").c_str()));
}

TEST(WizardLicence, ShownOnlyAtTheFirstVisitOfTheUserPage) {
  PrepareSetupState();
  CopyText(gState.RegisteredOwner, kUserTextSize, "Grace");
  CopyText(gState.RegisteredEMail, kUserTextSize, "grace@example.org");
  int licenceShown = 0;
  bool sheetHiddenMeanwhile = false;
  WizardRun run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(WaitForPage(sheet, PageWelcome));
    PressButton(sheet, PSBTN_NEXT);
    HWND licence = WaitForDialog(DialogKind::Licence);
    ASSERT_NE(licence, nullptr);
    ++licenceShown;
    sheetHiddenMeanwhile = !IsWindowVisible(sheet);
    ClickControl(licence, IDOK);
    ASSERT_TRUE(WaitForPage(sheet, PageUserInfo));
    ASSERT_TRUE(MoveTo(sheet, PSBTN_BACK, PageWelcome));
    ButtonSet welcome = ReadButtons(sheet);
    EXPECT_FALSE(welcome.backEnabled);
    ASSERT_TRUE(MoveTo(sheet, PSBTN_NEXT, PageUserInfo));
    if (FindDialog(DialogKind::Licence) != nullptr) ++licenceShown;
    EXPECT_EQ(ControlText(CurrentPage(sheet), IDC_USER_NAME), "Grace");
    PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_FALSE(run.forcedEnd) << "Cancel did not end the wizard";
  EXPECT_EQ(licenceShown, 1);
  EXPECT_TRUE(sheetHiddenMeanwhile);
  EXPECT_EQ(LicenceAccepted, 1);
  EXPECT_EQ(gState.InstallSucceeded, 0u);
}

// Refuses the licence with the given action and reports whether the sheet
// showed itself again before setup ended.
bool RefuseLicence(const std::function<void(HWND licence)>& refuse, WizardRun* run) {
  PrepareSetupState();
  CopyText(gState.AppDir, kPathSize, "C:\\Refused\\Tarnwick");
  bool sheetSeenAgain = false;
  *run = RunWizard([&](HWND sheet) {
    ASSERT_TRUE(WaitForPage(sheet, PageWelcome));
    PressButton(sheet, PSBTN_NEXT);
    HWND licence = WaitForDialog(DialogKind::Licence);
    ASSERT_NE(licence, nullptr);
    refuse(licence);
    // Until setup has ended, the sheet must stay out of sight.
    WaitUntil([&] {
      if (IsWindow(sheet) && IsWindowVisible(sheet)) sheetSeenAgain = true;
      return !IsWindow(sheet);
    });
  });
  return sheetSeenAgain;
}

TEST(WizardLicence, NoOrEscapeEndsSetupWithNothingInstalled) {
  WizardRun run;
  EXPECT_FALSE(RefuseLicence([](HWND licence) { ClickControl(licence, IDCANCEL); }, &run));
  EXPECT_FALSE(run.forcedEnd) << "No did not end setup";
  EXPECT_EQ(LicenceAccepted, 0);
  EXPECT_EQ(gState.InstallSucceeded, 0u);

  EXPECT_FALSE(
      RefuseLicence([](HWND licence) { PressKey(GetDlgItem(licence, IDOK), VK_ESCAPE); }, &run));
  EXPECT_FALSE(run.forcedEnd) << "Escape did not end setup";
  EXPECT_EQ(LicenceAccepted, 0);
  EXPECT_EQ(gState.InstallSucceeded, 0u);

  EXPECT_FALSE(FileExists("C:\\Refused"));
  EXPECT_NE(ReadSetting("AppDir"), "C:\\Refused\\Tarnwick");
}

}  // namespace
