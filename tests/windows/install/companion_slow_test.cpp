// Guards against a setup that hangs, or gives up too early, on a companion that
// ignores the close request or stops answering while setup is asking.
#include <gtest/gtest.h>

#include <string>

#include "install/install_test_support.h"

namespace {

TEST(SlowCompanion, OneThatIgnoresCloseCostsTheWholeWaitAndKeepsItsFileLocked) {
  SetCurrentDirectoryA("C:\\run");
  ClearProbeLog();
  const std::string appDir = "C:\\Ignoring";
  ASSERT_TRUE(PlaceCompanionProgram(appDir, kPlainProbePath));
  HANDLE ignoring = StartRunningCompanion(JoinPath(appDir, "Zindle.exe"), "ignore-close");
  ASSERT_NE(ignoring, nullptr);
  HWND owner = CreateOwnerWindow();
  PrepareSetupState(appDir.c_str(), 0, 0);

  InstallOutcome outcome = RunInstallWorker(owner);

  ASSERT_GE(outcome.steps.size(), 2u);
  EXPECT_EQ(outcome.steps[0].text, "Closing zindle");
  DWORD waited = outcome.steps[1].tick - outcome.steps[0].tick;
  EXPECT_GE(waited, 135000u);
  EXPECT_LT(waited, 150000u);
  std::printf("Waited %lu ms for the companion\n", static_cast<unsigned long>(waited));
  EXPECT_EQ(outcome.result, 0);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].text, "Couldn't write program file to:\n'C:\\Ignoring'\n");

  TerminateProcess(ignoring, 1);
  CloseHandle(ignoring);
  DestroyWindow(owner);
}

TEST(SlowCompanion, OneThatStopsAnsweringIsGivenUpAfterTheLimit) {
  SetCurrentDirectoryA("C:\\run");
  ClearProbeLog();
  // Started from elsewhere, so the installed files are free to be written.
  HANDLE stuck = StartRunningCompanion(kPlainProbePath, "hang");
  ASSERT_NE(stuck, nullptr);
  HWND owner = CreateOwnerWindow();
  PrepareSetupState("C:\\Stuck", 0, 0);

  InstallOutcome outcome = RunInstallWorker(owner);

  ASSERT_GE(outcome.steps.size(), 2u);
  EXPECT_EQ(outcome.steps[0].text, "Closing zindle");
  DWORD waited = outcome.steps[1].tick - outcome.steps[0].tick;
  EXPECT_GE(waited, 135000u);
  EXPECT_LT(waited, 150000u);
  std::printf("Waited %lu ms for the companion\n", static_cast<unsigned long>(waited));
  EXPECT_EQ(outcome.result, 1);
  EXPECT_TRUE(outcome.boxes.empty());

  TerminateProcess(stuck, 1);
  CloseHandle(stuck);
  DestroyWindow(owner);
}

}  // namespace
