// Guards against a running companion that is not asked to close, a setup that
// writes over the companion's files before the companion has let go of them,
// or one that waits longer than the companion needs.
#include <gtest/gtest.h>

#include <string>

#include "install/install_test_support.h"

namespace {

TEST(RunningCompanion, IsClosedAndSetupGoesOnFifteenSecondsAfterItsWindowWent) {
  SetCurrentDirectoryA("C:\\run");
  ClearProbeLog();
  const std::string appDir = "C:\\Program Files\\Tarnwick";
  // The earlier installation's companion, a different build than the one the
  // archive carries, runs from the application directory.
  ASSERT_TRUE(PlaceCompanionProgram(appDir, kPlainProbePath));
  HANDLE earlier = StartRunningCompanion(JoinPath(appDir, "Zindle.exe"), nullptr);
  ASSERT_NE(earlier, nullptr);
  HWND owner = CreateOwnerWindow();
  PrepareSetupState(appDir.c_str(), 0, 0);

  InstallOutcome outcome = RunInstallWorker(owner);

  EXPECT_EQ(outcome.result, 1);
  EXPECT_TRUE(outcome.boxes.empty());
  ASSERT_GE(outcome.steps.size(), 2u);
  EXPECT_EQ(outcome.steps[0].text, "Closing zindle");
  EXPECT_EQ(outcome.steps[1].text, "Create directory " + JoinPath(appDir, "Themes"));
  DWORD waited = outcome.steps[1].tick - outcome.steps[0].tick;
  EXPECT_GE(waited, 15000u);
  EXPECT_LT(waited, 30000u);
  std::printf("Closing the companion took %lu ms\n", static_cast<unsigned long>(waited));

  EXPECT_EQ(WaitForSingleObject(earlier, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(WaitForProbeRecord("closed", "\\Zindle.exe", 0, nullptr));
  // Its program file was replaced by the archive's.
  std::string installed;
  std::string carried;
  ASSERT_TRUE(ReadWholeFile(JoinPath(appDir, "zindle.exe"), &installed));
  ASSERT_TRUE(ReadWholeFile(kProbePath, &carried));
  EXPECT_TRUE(installed == carried);

  CloseHandle(earlier);
  CloseRunningCompanions();
  DestroyWindow(owner);
}

}  // namespace
