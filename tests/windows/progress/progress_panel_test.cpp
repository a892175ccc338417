// Guards against progress lines that keep stale text, mangle a path holding a
// per-cent sign, or touch a panel that does not exist.
#include <gtest/gtest.h>

#include <string>

#include "install/progress_panel_win.h"
#include "resource_ids.h"

namespace {

std::string LineText(HWND panel, int controlId) {
  char text[1100] = "";
  GetDlgItemTextA(panel, controlId, text, sizeof text);
  return text;
}

class ProgressPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel_ = CreateProgressPanel(nullptr);
    ASSERT_NE(panel_, nullptr);
  }
  void TearDown() override { DestroyWindow(panel_); }
  HWND panel_ = nullptr;
};

TEST_F(ProgressPanelTest, StartsVisibleWithTheTitleAndEmptyLines) {
  EXPECT_TRUE(IsWindowVisible(panel_));
  EXPECT_EQ(LineText(panel_, IDC_TITLE), "Installing My Zindle");
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_STEP), "");
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_DETAIL), "");
}

TEST_F(ProgressPanelTest, ANewStepClearsTheDetailLineButADetailKeepsTheStep) {
  SetProgressText(panel_, IDC_PROGRESS_STEP, "Create directory %s", "C:\\A");
  SetProgressText(panel_, IDC_PROGRESS_DETAIL, "%s", "C:\\A\\file.txt");
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_STEP), "Create directory C:\\A");
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_DETAIL), "C:\\A\\file.txt");

  SetProgressText(panel_, IDC_PROGRESS_STEP, "Writing screen saver");
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_STEP), "Writing screen saver");
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_DETAIL), "");
}

TEST_F(ProgressPanelTest, ShowsAPathWithAPercentSignUnchanged) {
  SetProgressText(panel_, IDC_PROGRESS_DETAIL, "%s", "C:\\100%done\\%s%d.txt");
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_DETAIL), "C:\\100%done\\%s%d.txt");
}

TEST_F(ProgressPanelTest, ANullFormatGivesTheEmptyText) {
  SetProgressText(panel_, IDC_PROGRESS_DETAIL, "%s", "something");
  SetProgressText(panel_, IDC_PROGRESS_DETAIL, nullptr);
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_DETAIL), "");
}

TEST_F(ProgressPanelTest, CutsAnOverlongTextInsteadOfOverrunning) {
  std::string longPath(2000, 'x');
  SetProgressText(panel_, IDC_PROGRESS_DETAIL, "%s", longPath.c_str());
  EXPECT_EQ(LineText(panel_, IDC_PROGRESS_DETAIL), longPath.substr(0, 1023));
}

TEST(ProgressPanelWithoutWindow, ChangesNothingAndDoesNotCrash) {
  SetProgressText(nullptr, IDC_PROGRESS_STEP, "Writing screen saver");
  HWND unrelated =
      CreateWindowA("STATIC", "keep", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetProgressText(unrelated, IDC_PROGRESS_STEP, "Writing screen saver");
  char text[16] = "";
  GetWindowTextA(unrelated, text, sizeof text);
  EXPECT_STREQ(text, "keep");
  DestroyWindow(unrelated);
}

}  // namespace
