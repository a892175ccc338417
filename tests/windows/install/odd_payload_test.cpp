// Guards against a version number invented for a screen saver that has none, a
// missing image pack title that yields no folder name, and an unreadable image
// pack member that goes unreported or is reported without the pack's failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/install_test_support.h"
#include "install/install_worker_win.h"
#include "shell/setup_state_win.h"

namespace {

TEST(OddPayload, ASaverWithoutVersionAndAnUnreadablePackMemberAreHandled) {
  SetCurrentDirectoryA("C:\\run");
  ClearProbeLog();
  HWND owner = CreateOwnerWindow();
  PrepareSetupState("C:\\Odd Payload", 1, 1);

  InstallOutcome outcome = RunInstallWorker(owner);

  EXPECT_EQ(outcome.result, 0);
  // The reader's own message, owned by the panel, comes before the pack's.
  ASSERT_EQ(outcome.boxes.size(), 2u);
  EXPECT_EQ(outcome.boxes[0].text,
            "'C:\\Odd Payload\\Themes\\Nature\\odd.bin' is compressed with\n"
            "un-handled compression type 12");
  EXPECT_EQ(outcome.boxes[0].owner, outcome.panel);
  EXPECT_EQ(outcome.boxes[1].text, "Couldn't decompress image pack");
  EXPECT_EQ(outcome.boxes[1].owner, owner);

  // Without string 1 the pack is called "Nature".
  std::vector<std::string> expected = InstallingStepTexts("C:\\Odd Payload", "Nature");
  expected.pop_back();  // the pack failed: no "Creating shortcuts"
  EXPECT_EQ(outcome.stepTexts, expected);
  EXPECT_TRUE(FileExists("C:\\Odd Payload\\Themes\\Nature\\credits.txt"));
  EXPECT_FALSE(FileExists("C:\\Odd Payload\\Themes\\Nature\\odd.bin"));

  // The saver has no version resource: the number stays 10043.
  EXPECT_EQ(gVersionNumber, 10043u);
  RegistryValue version = QueryValue(HKEY_CURRENT_USER, "Software\\Tarnwick\\SS", "Version");
  EXPECT_EQ(version.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(version.data, StoredNumber(10043));

  EXPECT_FALSE(IsWindow(outcome.panel));
  EXPECT_EQ(gState.InstallRunning, 0u);
  EXPECT_FALSE(WaitForProbeRecord("start", "", 500, nullptr));
  DestroyWindow(owner);
}

}  // namespace
