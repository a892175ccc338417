// Guards against a setup.exe that does not start, shows no window, or ends with
// a non-zero exit code when its window is closed.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/texts.h"

namespace {

HWND WaitForVisibleWindow(const char* className, DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 50) {
    HWND window = FindWindowA(className, nullptr);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(50);
  }
  return nullptr;
}

TEST(SetupStart, ShowsTheBackdropAndEndsWithZeroWhenClosed) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  char command[] = "C:\\run\\setup.exe";
  ASSERT_TRUE(CreateProcessA(command, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  CloseHandle(process.hThread);

  HWND backdrop = WaitForVisibleWindow(kBackdropClass, 20000);
  ASSERT_NE(backdrop, nullptr);
  char title[64] = "";
  GetWindowTextA(backdrop, title, sizeof title);
  EXPECT_STREQ(title, kSetupCaption);

  PostMessageA(backdrop, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
  CloseHandle(process.hProcess);
}

}  // namespace
