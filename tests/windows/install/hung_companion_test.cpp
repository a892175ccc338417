// Guards against a setup that waits for ever on a companion that no longer
// reads its messages.
#include <gtest/gtest.h>

#include <string>

#include "install/install_test_support.h"

namespace {

TEST(HungCompanion, IsGivenUpAndItsLockedProgramFileIsReported) {
  SetCurrentDirectoryA("C:\\run");
  ClearProbeLog();
  const std::string appDir = "C:\\Hung";
  ASSERT_TRUE(PlaceCompanionProgram(appDir, kPlainProbePath));
  HANDLE hung = StartRunningCompanion(JoinPath(appDir, "Zindle.exe"), "hang");
  ASSERT_NE(hung, nullptr);
  // The system counts a window as not responding after five seconds without
  // a look at its messages.
  Sleep(6000);
  HWND owner = CreateOwnerWindow();
  PrepareSetupState(appDir.c_str(), 1, 1);

  InstallOutcome outcome = RunInstallWorker(owner);

  ASSERT_FALSE(outcome.steps.empty());
  EXPECT_EQ(outcome.steps[0].text, "Closing zindle");
  EXPECT_GE(outcome.elapsed, 15000u);
  EXPECT_LT(outcome.elapsed, 60000u);
  std::printf("InstallWorker took %lu ms\n", static_cast<unsigned long>(outcome.elapsed));
  // The companion still holds its program file, which cannot be replaced.
  EXPECT_EQ(outcome.result, 0);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].text, "Couldn't write program file to:\n'C:\\Hung'\n");
  EXPECT_EQ(WaitForSingleObject(hung, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  TerminateProcess(hung, 1);
  CloseHandle(hung);
  DestroyWindow(owner);
}

}  // namespace
