// Guards against a running companion, or a screen saver's preview, that is
// not asked to close, a setup that
// writes over the companion's files before the companion has let go of them,
// one that waits longer than the companion needs, and one that hangs, or gives
// up too early, on a companion that ignores the close request or stops
// answering. The waits are shortened; the product's own are the same steps
// with longer limits.
#include <gtest/gtest.h>

#include <string>

#include "install/install_test_support.h"

namespace {

constexpr InstallWaits kShortWaits = {3000, 1000, 240000};
constexpr DWORD kCloseAndSettle = 3000 + 1000;

// Runs the installation into `appDir` with the short waits and returns how
// long the step "Closing zindle" lasted.
DWORD RunClosingTheCompanion(const char* appDir, InstallOutcome* outcome) {
  HWND owner = CreateOwnerWindow();
  PrepareSetupState(appDir, 0, 0);
  *outcome = RunInstallWorker(owner, kShortWaits);
  DestroyWindow(owner);
  if (outcome->steps.size() < 2 || outcome->steps[0].text != "Closing zindle") {
    ADD_FAILURE() << "the companion was not closed first";
    return 0;
  }
  DWORD waited = outcome->steps[1].tick - outcome->steps[0].tick;
  std::printf("Closing the companion took %lu ms\n", static_cast<unsigned long>(waited));
  return waited;
}

class RunningCompanion : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentDirectoryA("C:\\run");
    ClearProbeLog();
  }
  // A successful run ends by starting the new companion, which must not be
  // taken for the next case's.
  void TearDown() override {
    if (companion_ != nullptr) {
      TerminateProcess(companion_, 1);
      WaitForSingleObject(companion_, 5000);
      CloseHandle(companion_);
    }
    if (outcome_.result == 1) WaitForCompanionWindow(20000);
    CloseRunningCompanions();
  }
  HANDLE companion_ = nullptr;
  InstallOutcome outcome_;
};

TEST_F(RunningCompanion, IsClosedAndSetupGoesOnOneSettleTimeAfterItsWindowWent) {
  const std::string appDir = "C:\\Program Files\\Tarnwick";
  // The earlier installation's companion, a different build than the one the
  // archive carries, runs from the application directory.
  ASSERT_TRUE(PlaceCompanionProgram(appDir, kPlainProbePath));
  companion_ = StartRunningCompanion(JoinPath(appDir, "Zindle.exe"), nullptr);
  ASSERT_NE(companion_, nullptr);

  DWORD waited = RunClosingTheCompanion(appDir.c_str(), &outcome_);

  EXPECT_EQ(outcome_.result, 1);
  EXPECT_TRUE(outcome_.boxes.empty());
  ASSERT_GE(outcome_.steps.size(), 2u);
  EXPECT_EQ(outcome_.steps[1].text, "Create directory " + JoinPath(appDir, "Themes"));
  EXPECT_GE(waited, kShortWaits.companionSettle);
  EXPECT_LT(waited, kCloseAndSettle);
  EXPECT_EQ(WaitForSingleObject(companion_, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(WaitForProbeRecord("closed", "\\Zindle.exe", 0, nullptr));
  // Its program file was replaced by the archive's.
  std::string installed;
  std::string carried;
  ASSERT_TRUE(ReadWholeFile(JoinPath(appDir, "zindle.exe"), &installed));
  ASSERT_TRUE(ReadWholeFile(kProbePath, &carried));
  EXPECT_TRUE(installed == carried);
}

TEST_F(RunningCompanion, OneThatIgnoresCloseCostsTheWholeWaitAndKeepsItsFileLocked) {
  const std::string appDir = "C:\\Ignoring";
  ASSERT_TRUE(PlaceCompanionProgram(appDir, kPlainProbePath));
  companion_ = StartRunningCompanion(JoinPath(appDir, "Zindle.exe"), "ignore-close");
  ASSERT_NE(companion_, nullptr);

  DWORD waited = RunClosingTheCompanion(appDir.c_str(), &outcome_);

  EXPECT_GE(waited, kCloseAndSettle);
  EXPECT_LT(waited, kCloseAndSettle + 5000);
  EXPECT_EQ(outcome_.result, 0);
  ASSERT_EQ(outcome_.boxes.size(), 1u);
  EXPECT_EQ(outcome_.boxes[0].text, "Couldn't write program file to:\n'C:\\Ignoring'\n");
}

TEST_F(RunningCompanion, OneThatStopsAnsweringWhileAskedIsGivenUpAfterTheLimit) {
  // Started from elsewhere, so the installed files are free to be written.
  companion_ = StartRunningCompanion(kPlainProbePath, "hang");
  ASSERT_NE(companion_, nullptr);

  DWORD waited = RunClosingTheCompanion("C:\\Stuck", &outcome_);

  EXPECT_GE(waited, kCloseAndSettle);
  EXPECT_LT(waited, kCloseAndSettle + 5000);
  EXPECT_EQ(outcome_.result, 1);
  EXPECT_TRUE(outcome_.boxes.empty());
}

TEST_F(RunningCompanion, OneAlreadyHungIsNotWaitedForAndItsLockedProgramFileIsReported) {
  const std::string appDir = "C:\\Hung";
  ASSERT_TRUE(PlaceCompanionProgram(appDir, kPlainProbePath));
  companion_ = StartRunningCompanion(JoinPath(appDir, "Zindle.exe"), "hang");
  ASSERT_NE(companion_, nullptr);
  // The system counts a window as not responding after five seconds without
  // a look at its messages.
  Sleep(6000);

  DWORD waited = RunClosingTheCompanion(appDir.c_str(), &outcome_);

  EXPECT_GE(waited, kShortWaits.companionSettle);
  EXPECT_LT(waited, kCloseAndSettle);
  // The companion still holds its program file, which cannot be replaced.
  EXPECT_EQ(outcome_.result, 0);
  ASSERT_EQ(outcome_.boxes.size(), 1u);
  EXPECT_EQ(outcome_.boxes[0].text, "Couldn't write program file to:\n'C:\\Hung'\n");
  EXPECT_EQ(WaitForSingleObject(companion_, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// A preview of the earlier screen saver in another program's window (Display
// Properties) holds the saver's file: it is asked to close before the saver
// is written over, and the installation goes on.
TEST_F(RunningCompanion, ASaverPreviewIsClosedBeforeTheSaverIsWritten) {
  const std::string saver = JoinPath(SystemDirectory(), "Tarnwick.scr");
  ASSERT_TRUE(CopyFileA(kPlainProbePath, saver.c_str(), FALSE));
  HWND display = CreateOwnerWindow();
  std::string command =
      "\"" + saver + "\" /p " + std::to_string(reinterpret_cast<UINT_PTR>(display));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  ASSERT_TRUE(CreateProcessA(saver.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &started));
  CloseHandle(started.hThread);
  HWND preview = nullptr;
  for (int i = 0; i < 200 && preview == nullptr; ++i) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    preview = FindWindowExA(display, nullptr, "TarnwickSaverPreviewClass", nullptr);
    if (preview == nullptr) Sleep(50);
  }
  ASSERT_NE(preview, nullptr);

  HWND owner = CreateOwnerWindow();
  PrepareSetupState("C:\\Previewed", 0, 0);
  outcome_ = RunInstallWorker(owner, kShortWaits);
  DestroyWindow(owner);

  EXPECT_EQ(outcome_.result, 1);
  EXPECT_TRUE(outcome_.boxes.empty()) << outcome_.boxes[0].text;
  EXPECT_EQ(WaitForSingleObject(started.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(WaitForProbeRecord("closed", "\\Tarnwick.scr", 0, nullptr));
  std::string installed;
  std::string carried;
  ASSERT_TRUE(ReadWholeFile(saver, &installed));
  ASSERT_TRUE(ReadWholeFile(kProbePath, &carried));
  EXPECT_TRUE(installed == carried);
  CloseHandle(started.hProcess);
  DestroyWindow(display);
}

}  // namespace
