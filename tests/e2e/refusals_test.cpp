// Guards against a setup.exe that installs or starts anything when the user
// leaves it early: Escape on the backdrop, the licence refused, Cancel on a page.
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "install_checks.h"
#include "resource_ids.h"

namespace {

const WizardAnswers kAnswers = {"Bo Refuser", "", "bo@example.org", "", true, false, ""};

// Setup ends by itself within `milliseconds`, with exit code 0, having
// installed and started nothing (also not a moment later, at its exit).
void ExpectLeftWithNothingDone(SetupRun& run, DWORD milliseconds) {
  DWORD code = 99;
  ASSERT_TRUE(run.WaitForExit(milliseconds, &code)) << "setup did not end";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(run.messages().empty()) << run.messages().front();
  Sleep(1000);
  ExpectNothingInstalled();
  ExpectNothingStarted();
}

class LeavingEarly : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SeedShellFolders(); }
  void SetUp() override { ASSERT_TRUE(run_.started()); }
  SetupRun run_;
};

TEST_F(LeavingEarly, EscapeOnTheBackdropEndsSetupAtOnce) {
  ASSERT_TRUE(run_.WaitForPage("Welcome!"));
  ClickScreen(20, 400);  // the backdrop, left of the centred wizard
  PressKey(VK_ESCAPE);
  ExpectLeftWithNothingDone(run_, 5000);
}

TEST_F(LeavingEarly, RefusingTheLicenceEndsSetupWithoutShowingTheWizardAgain) {
  ASSERT_TRUE(run_.WaitForPage("Welcome!"));
  run_.PressButton(PSBTN_NEXT);
  ASSERT_TRUE(run_.AnswerLicence(IDCANCEL));
  bool wizardSeen = false;
  run_.WaitUntil(
      [&] {
        HWND sheet = run_.Sheet();
        wizardSeen = wizardSeen || (sheet != nullptr && IsWindowVisible(sheet));
        return !run_.running();
      },
      kStepLimit);
  EXPECT_FALSE(wizardSeen);
  ExpectLeftWithNothingDone(run_, kStepLimit);
}

TEST_F(LeavingEarly, EscapeOnTheLicenceRefusesIt) {
  ASSERT_TRUE(run_.WaitForPage("Welcome!"));
  run_.PressButton(PSBTN_NEXT);
  ASSERT_TRUE(run_.WaitUntil([this] { return run_.LicenceDialog() != nullptr; }, kStepLimit));
  SetForegroundWindow(run_.LicenceDialog());
  PressKey(VK_ESCAPE);
  ExpectLeftWithNothingDone(run_, kStepLimit);
}

// One run per page: walk to it, then press Cancel.
class CancelOnPage : public LeavingEarly, public ::testing::WithParamInterface<const char*> {};

TEST_P(CancelOnPage, EndsSetupWithNothingDone) {
  ASSERT_NO_FATAL_FAILURE(WalkWizard(run_, kAnswers, GetParam()));
  run_.PressButton(PSBTN_CANCEL);
  ExpectLeftWithNothingDone(run_, kStepLimit);
}

INSTANTIATE_TEST_SUITE_P(EveryPageBeforeInstalling, CancelOnPage,
                         ::testing::Values("Welcome!", "User Information", "Application Directory",
                                           "Configuration", "Start Installation"));

}  // namespace
